// Every change on record, and colleagues who never overwrite each other: each
// statement shape the client sends leaves its history rows (who, when, old and
// new value), a record's history holds its lines', no request reaches the
// history, and an update whose compared values a colleague changed stores
// nothing and answers the stored value with its author and time.
#include "ServiceFixture.h"

#include <algorithm>
#include <ctime>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;

class History : public ServiceTest {
protected:
    // The newest `n` rows of a record's history, "Table|Key|Column|Old|New|UserName|When" each.
    static std::vector<std::string> Newest(const std::string& table, const std::string& key, size_t n) {
        stanor::service::TXml xml = Scan(Get("AxHistory?Table=" + table + "&Key=" + key));
        stanor::service::XmlFind(xml, "HistoryS");
        std::vector<std::string> out;
        while (out.size() < n && stanor::service::XmlNext(xml, "History") > 0) {
            std::string line;
            for (const char* name : {"TableName", "KeyValue", "Column", "OldValue", "NewValue", "UserName", "When"}) {
                QString v;
                stanor::service::XmlGet(xml, name, v);
                line += (line.empty() ? "" : "|") + v.toStdString();
            }
            out.push_back(line);
        }
        return out;
    }

    // The service's "now" as the history answers it (UTC).
    static std::string Now() {
        const std::time_t t = std::chrono::system_clock::to_time_t(ServiceNow());
        std::tm tm{};
        gmtime_r(&t, &tm);
        char buf[24];
        std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
        return buf;
    }

    static std::string Ts(const std::string& s) { return s + "|Martin Admin|" + Now(); }
};

TEST_F(History, EachStatementShapeLeavesItsRows) {
    struct Case {
        const char* what;
        const char* endpoint;
        std::string statement;
        const char* table;  // the record whose history is read
        std::string key;
        std::vector<std::string> newest;  // its newest rows after the statement ("@": the last new key)
    };
    const std::string line = "@", action = "@";
    const Case cases[] = {
        {"one field of a vehicle, compared with its loaded value", "AxUpdate",
         "Update tVehicles set PrixVente=13000 where (idTVO=1) and (PrixVente=12500.00)", "tVehicles", "1",
         {Ts("tVehicles|1|PrixVente|12500.00|13000.00")}},
        {"two fields, a text emptied; a field set to its own value is no change", "AxUpdate",
         "Update tVehicles set KMS=90000,InfoCouleur=NULL,CV=5 where (idTVO=1)", "tVehicles", "1",
         {Ts("tVehicles|1|KMS|84500|90000"), Ts("tVehicles|1|InfoCouleur|Gris|")}},
        {"a vehicle named by idVO (the photo's name)", "AxUpdate",
         "Update tVehicles set NomImage=NULL where idVO=1001", "tVehicles", "1",
         {Ts("tVehicles|1|NomImage|V0001001-01|")}},
        {"a new cost line, in its vehicle's history by idTVO", "AxInsert",
         "Insert into [tVO - Frevo] (DateFrevo, TypeFrevo, MontantHT, idVO, idFrevo ) "
         "Values (#12/01/2026#, 1, 95.5, 1001, :NewID)",
         "tVehicles", "1", {Ts("tVO - Frevo|" + line + "|idFrevo||" + line)}},
        {"that cost line changed, asked for by its own table", "AxUpdate",
         "Update [tVO - Frevo] set MontantHT=100 where (idFrevo=" + line + ") and (MontantHT=95.50)", "tVO - Frevo",
         line, {Ts("tVO - Frevo|" + line + "|MontantHT|95.50|100.00")}},
        {"that cost line deleted: its values go", "AxUpdate", "Delete * from [tVO - Frevo] where idFrevo=" + line,
         "tVehicles", "1", {Ts("tVO - Frevo|" + line + "|MontantHT|100.00|")}},
        {"a customer's new action, in its customer's history", "AxInsert",
         "Insert into tActions (DateAction, TypeAction, idClient, idAction ) Values (#12/09/2026#, 2, 1, :NewID)",
         "tClients", "1", {Ts("tActions|" + action + "|TypeAction||2")}},
        {"a customer vehicle's mileage, in its customer's history", "AxUpdate",
         "Update TVehiclesProfid set KMS=153000 where (idTVO=1)", "tClients", "1",
         {Ts("tVehiclesProfid|1|KMS|152000|153000")}},
        // Nothing stored, nothing on record.
        {"an update whose loaded value no longer holds", "AxUpdate",
         "Update tVehicles set PrixVente=1 where (idTVO=1) and (PrixVente=12500.00)", "tVehicles", "1", {}},
        {"a statement the service refuses", "AxUpdate", "Update tVehicles set PrixVente=1", "tVehicles", "1", {}},
    };
    std::string newKey;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto keyed = [&](std::string text) {
            for (size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, newKey);
            return text;
        };
        const long long before = Count("sysHistory");
        const std::string body = Send(c.endpoint, keyed(c.statement));
        if (!NewId(body).empty()) newKey = NewId(body);
        if (c.newest.empty()) {
            EXPECT_EQ(Count("sysHistory"), before) << body;
            continue;
        }
        // An insert's rows come in column order, newest first: the one looked for is among them.
        const std::vector<std::string> got =
            Newest(c.table, keyed(c.key), c.endpoint == std::string("AxInsert") ? 20 : c.newest.size());
        for (const std::string& row : c.newest)
            EXPECT_NE(std::find(got.begin(), got.end(), keyed(row)), got.end()) << keyed(row) << "\n" << body;
        if (c.endpoint == std::string("AxUpdate") && c.newest.size() > 1)
            EXPECT_EQ(got.at(1), keyed(c.newest[1]));
    }
}

TEST_F(History, NoRequestReachesTheHistory) {
    Send("AxUpdate", "Update tVehicles set KMS=1234 where (idTVO=2)");
    const long long before = Count("sysHistory");
    ASSERT_GT(before, 0);
    const std::pair<const char*, const char*> requests[] = {
        {"AxUpdate", "Update sysHistory set NewValue='x' where idHistory=1"},
        {"AxUpdate", "Delete * from sysHistory where idHistory=1"},
        {"AxInsert", "Insert into sysHistory (Changed, TableName, ColumnName) Values ('x', 'x', 'x')"},
        {"AxUpdate", "Update tVehicles set Commentaires=(select max(NewValue) from sysHistory) where idTVO=2"},
        {"AxQuery", "select * from sysHistory"},
    };
    for (const auto& [endpoint, statement] : requests) {
        const std::string body = Send(endpoint, statement);
        EXPECT_NE(LogItems(body), "") << statement;
    }
    EXPECT_EQ(Count("sysHistory"), before);
    EXPECT_EQ(Scalar("SELECT count(*) FROM sysHistory WHERE NewValue = 'x'"), "0");
    EXPECT_NE(LogItems(Get("AxHistory?Table=tUsers&Key=1")), "");
    EXPECT_NE(LogItems(Get("AxHistory?Table=tVehicles&Key=1 or 1=1")), "");
}

TEST_F(History, AColleaguesChangeIsAnsweredNotOverwritten) {
    const std::string colleague = TokenFor("2");
    // Two users change different fields of one record: both stored.
    EXPECT_EQ(LogItems(GetAs(colleague, "AxUpdate?SQLExecute=Update tVehicles set KMS=31000 where (idTVO=3) and "
                                        "(KMS=" + Scalar("SELECT KMS FROM tVehicles WHERE idTVO=3") + ")")), "");
    const std::string price = Scalar("SELECT PrixVente FROM tVehicles WHERE idTVO=3");
    EXPECT_EQ(LogItems(Send("AxUpdate", "Update tVehicles set CV=9 where (idTVO=3) and (CV=" +
                                            Scalar("SELECT CV FROM tVehicles WHERE idTVO=3") + ")")), "");
    EXPECT_EQ(Scalar("SELECT KMS || '|' || CV FROM tVehicles WHERE idTVO=3"), "31000|9");

    // Both change the price from the value they loaded: the second stores nothing.
    EXPECT_EQ(LogItems(GetAs(colleague, "AxUpdate?SQLExecute=Update tVehicles set PrixVente=7777 where (idTVO=3) and "
                                        "(PrixVente=" + price + ")")), "");
    const std::string mine = Send("AxUpdate", "Update tVehicles set PrixVente=8888 where (idTVO=3) and (PrixVente=" +
                                                  price + ")");
    EXPECT_NE(LogItems(mine).find("changé entre-temps"), std::string::npos) << mine;
    EXPECT_NE(mine.find("<Conflict><Deleted>False</Deleted><ConflictFieldS><ConflictField><Column>PrixVente</Column>"
                        "<Value>7777.00</Value><UserID>2</UserID><UserName>Paul Durand</UserName>"
                        "<When>" + Now() + "</When></ConflictField>"),
              std::string::npos) << mine;
    EXPECT_NE(mine.find("<RowsAffected>0</RowsAffected>"), std::string::npos);
    EXPECT_EQ(Scalar("SELECT PrixVente FROM tVehicles WHERE idTVO=3"), "7777.00");

    // Kept: sent again against the stored value, it is stored.
    EXPECT_EQ(LogItems(Send("AxUpdate", "Update tVehicles set PrixVente=8888 where (idTVO=3) and (PrixVente=7777.00)")), "");
    EXPECT_EQ(Scalar("SELECT PrixVente FROM tVehicles WHERE idTVO=3"), "8888.00");

    // A record deleted meanwhile is said so.
    const std::string gone = Send("AxUpdate", "Update tVehicles set KMS=1 where (idTVO=987654) and (KMS=2)");
    EXPECT_NE(gone.find("<Conflict><Deleted>True</Deleted>"), std::string::npos) << gone;
    EXPECT_NE(LogItems(gone).find("n'existe pas (ou plus)"), std::string::npos) << gone;
}
