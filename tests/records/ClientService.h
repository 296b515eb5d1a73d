#pragma once
// The data service of the data-service tests (a fresh demo database per
// group of tests, on a free loopback port), spoken to exactly as the client
// speaks: the statement in the query string, blanks and "#" escaped,
// "&idClient=" appended, ISO-8859-1 on the wire.

#include "dataservice/ServiceFixture.h"
#include "service/HttpRules.h"

#include <QString>
#include <QStringList>

namespace stanor::statements::test {

class ClientServiceTest : public dataservice::test::ServiceTest {
protected:
    // The answer of endpoint ("AxUpdate", "AxInsert" or "AxQuery") to statement.
    static std::string Execute(const char* endpoint, const QString& statement) {
        const QString param = QLatin1String(endpoint) == QLatin1String("AxQuery") ? QStringLiteral("SQL")
                                                                                   : QStringLiteral("SQLExecute");
        // As the super-administrator, who holds every right.
        const QString url = u'/' + QLatin1String(endpoint) + QStringLiteral("?XMLC_OutputFormat=XML&UserID=1&") +
                            param + u'=' + statement;
        const QByteArray wire = service::WireUrl(service::FinishGetUrl(url, QString()));
        auto res = Client()->Get(wire.toStdString());
        if (!res) return "(pas de réponse)";
        EXPECT_EQ(res->status, 200) << statement.toStdString();
        return res->body;
    }

    // Executes a write and expects it to succeed.
    static std::string Write(const char* endpoint, const QString& statement) {
        const std::string body = Execute(endpoint, statement);
        EXPECT_EQ(LogItems(body), "") << statement.toStdString();
        return body;
    }

    // The values of one column of the rows of a query answer, in order.
    static QStringList Rows(const QString& statement, const QString& column) {
        const std::string body = Execute("AxQuery", statement);
        EXPECT_EQ(LogItems(body), "") << statement.toStdString();
        service::TXml xml = Scan(body);
        service::XmlFind(xml, QStringLiteral("AXQueryS"));
        QStringList out;
        while (service::XmlNext(xml, QStringLiteral("AXQuery"))) {
            QString v;
            service::XmlGet(xml, column, v);
            out << v;
        }
        return out;
    }

    // A value of the database read directly, as text.
    static QString Stored(const std::string& sql) { return QString::fromStdString(Scalar(sql)); }
};

}  // namespace stanor::statements::test
