#pragma once
// The main form against the data service on loopback, opened on a demo
// record, with helpers that type into its designed controls as a user does,
// send a page's pending statement and read the stored row back.

#include "E2eService.h"

#include "pages/RecordEditing.h"
#include "pages/RecordView.h"
#include "service/TXml.h"
#include "service/TextTools.h"
#include "toolkit/Controls.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <ctime>
#include <gtest/gtest.h>

namespace e2e {

// The service's date: 9 December 2026, noon.
inline dataservice::Clock serverDate()
{
    std::tm tm{};
    tm.tm_year = 126, tm.tm_mon = 11, tm.tm_mday = 9, tm.tm_hour = 12, tm.tm_isdst = -1;
    const auto fixed = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    return [fixed] { return fixed; };
}

class EditingE2e : public ::testing::Test {
protected:
    void SetUp() override { startService(); }

    // The service on the fixed date (log, when given, receives its line per
    // request) and a form's run parameters pointing at it.
    void startService(std::function<void(const std::string&)> log = {})
    {
        ASSERT_TRUE(tmp.isValid());
        service = std::make_unique<RunningService>(tmp.path(), std::move(log), serverDate());
        run = std::make_unique<FormRun>(tmp.path(), service->baseHRef());
    }

    app::TAxStanor& form() { return *run->form; }
    pages::RecordView& view() { return *pages::RecordView::of(run->form.get(), {}); }
    pages::RecordViewState& state() { return view().state(); }

    // Starts the form on a vehicle (idTypeVO 1 VO, 2 VN, 3 VD) or a customer.
    app::TAxStanor& openVehicle(const char* idTVO, int idTypeVO)
    {
        run->set("idTVO", QString::fromLatin1(idTVO));
        run->set("idClient", QString());
        run->set("idTypeVO", QString::number(idTypeVO));
        return run->start();
    }
    app::TAxStanor& openCustomer(const char* idClient)
    {
        run->set("idTVO", QString());
        run->set("idClient", QString::fromLatin1(idClient));
        run->set("idTypeVO", QStringLiteral("1"));
        return run->start();
    }

    template <typename T = QWidget>
    T* get(const QString& name)
    {
        T* w = form().findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    // The text of a field control the form must have.
    QString text(const QString& name)
    {
        get(name);
        return run->text(name);
    }

    // Replaces the control's text by typing keys; "\n" is the Return key, "\b" Backspace.
    void type(const QString& name, const QString& keys)
    {
        QWidget* w = get(name);
        ASSERT_NE(w, nullptr);
        typeInto(w, keys);
    }
    // The same into a control of any form (a colleague's).
    static void typeInto(QWidget* w, const QString& keys)
    {
        if (auto* c = qobject_cast<QComboBox*>(w)) {
            ASSERT_NE(c->lineEdit(), nullptr) << c->objectName().toStdString();
            w = c->lineEdit();
        }
        if (auto* e = qobject_cast<QLineEdit*>(w))
            e->selectAll();
        else if (auto* m = qobject_cast<QPlainTextEdit*>(w))
            m->selectAll();
        if (keys.isEmpty())
            QTest::keyClick(w, Qt::Key_Backspace);
        for (QChar c : keys) {
            if (c == u'\n')
                QTest::keyClick(w, Qt::Key_Return);
            else if (c == u'\b')
                QTest::keyClick(w, Qt::Key_Backspace);
            else
                QTest::sendKeyEvent(QTest::Click, w, Qt::Key(c.toUpper().unicode()), QString(c), Qt::NoModifier);
        }
    }

    // Gives the focus to the control and then to another one (its exit event).
    void leave(const QString& name)
    {
        QWidget* w = get(name);
        form().show();
        QApplication::setActiveWindow(&form());
        w->setFocus();
        QApplication::processEvents();
        form().JvXPBtnActualize->setFocus();
        QApplication::processEvents();
    }

    const records::PageStatement& pending(int page) { return form().Editing().updates().pending(page); }

    // Sends the page's pending statement as a save would; the key of a new row.
    QString send(int page)
    {
        const records::PageStatement& p = pending(page);
        EXPECT_TRUE(p.pending()) << "page " << page << ": " << p.Reason.toStdString();
        const service::RequestCatalogue r = form().Requests();
        const service::ServiceRequest req = p.Insert ? r.insert(p.Statement, service::SaveTarget::Record)
                                                     : r.save(p.Statement, service::SaveTarget::Record);
        form().HttpExecute(req.url, req.answerFile);
        EXPECT_EQ(form().LbDebugInfo0->text(), QString()) << p.Statement.toStdString();
        service::TXml answer;
        answer.Text = service::LoadTextFile(req.answerFile);
        service::XmlFind(answer, QStringLiteral("OutParams"));
        QString id;
        service::XmlGet(answer, QStringLiteral("NewID"), id);
        return id;
    }

    // The first row of a query on the service's database, columns joined by "|".
    QString row(const QString& sql)
    {
        const dataservice::ResultSet rs = service->service->database().acquire()->query(sql.toStdString());
        if (rs.rows.empty())
            return QStringLiteral("<aucune ligne>");
        QStringList cells;
        for (const std::string& v : rs.rows.front())
            cells << QString::fromStdString(v);
        return cells.join(u'|');
    }

    QTemporaryDir tmp;
    std::unique_ptr<RunningService> service;
    std::unique_ptr<FormRun> run;
};

}  // namespace e2e
