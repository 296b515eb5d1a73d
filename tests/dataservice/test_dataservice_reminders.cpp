// The reminders due to a salesperson ("AxRelances"), over HTTP on both
// stores: which actions are due (a later action of the customer handles a
// reminder), in which order, who may ask for whose, and the demo's
// reminders made relative to the day the demo database is made.
#include "DemoLoader.h"
#include "Reminders.h"
#include "ServiceFixture.h"

#include <QString>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <sstream>

using namespace stanor::dataservice;
using namespace stanor::dataservice::test;
using stanor::service::TXml;
using stanor::service::XmlFind;
using stanor::service::XmlGet;
using stanor::service::XmlNext;

namespace {

using Fixture = ServiceTest;
QString Field(const TXml& xml, const char* name) { return Fixture::Field(xml, name); }

// "idAction:late" of each row, in the answer's order.
std::string Rows(const std::string& body) {
    TXml xml = Fixture::Scan(body);
    XmlFind(xml, "RelanceS");
    std::string out;
    while (XmlNext(xml, "Relance"))
        out += (out.empty() ? "" : " ") + Field(xml, "idAction").toStdString() + ":" +
               Field(xml, "JoursRetard").toStdString();
    return out;
}

std::string Header(const std::string& body, const char* name) {
    TXml xml = Fixture::Scan(body);
    XmlFind(xml, "Relances");
    return Field(xml, name).toStdString();
}

}  // namespace

class DataServiceReminders : public ServiceTest {
protected:
    static void SetUpTestSuite() {
        ServiceTest::SetUpTestSuite();
        // A salesperson of their own (user 50, salesperson 50) and one of another dealership.
        auto s = checks_->acquire();
        s->exec("INSERT INTO tUsers (idUser, Name_, UserConcession, UserSite, US1) VALUES (50, 'Vendeur Essai', 'ALV', 'NORD', 'NORD')");
        s->exec("INSERT INTO tUserGroups (idUser, GName) VALUES (50, 'USER_PROFID')");
        s->exec("INSERT INTO tCommerciaux (idCom, cNom, Site, Concession, idUser) VALUES (50, 'ESSAI Vendeur', 'EST', 'ALV', 50)");
        s->exec("INSERT INTO tCommerciaux (idCom, cNom, Site, Concession, idUser) VALUES (51, 'AUTRE Vendeur', 'EST', 'BXL', NULL)");
        s->exec("INSERT INTO tSites (Site, Concession, Marques, MontantFraisDossier) VALUES ('EST', 'ALV', 'VW', 0)");
        // User 50 signs in with the salesperson's demo password.
        s->exec("INSERT INTO sysUserPasswords (idUser, PwHash, Disabled, Changed) SELECT 50, PwHash, Disabled, Changed "
                "FROM sysUserPasswords WHERE idUser = 2");
    }
    // A request of user 50's session.
    static std::string Get50(const std::string& request) {
        static std::string token;
        if (token.empty()) token = SignIn(port_, "50", DemoPassword("2"));
        return GetAs(token, request);
    }
    static void Customer(int id, const char* concession = "ALV") {
        checks_->acquire()->exec("INSERT INTO tClients (idClient, CliNom, CliPrenom, CliMobile, Concession) VALUES (" +
                                 std::to_string(id) + ", 'ESSAI" + std::to_string(id) + "', 'Paul', '0600000" +
                                 std::to_string(id) + "', '" + concession + "')");
    }
    // An action of a customer; a NULL reminder date when `reminder` is empty.
    static void Action(int id, int customer, const char* date, const char* reminder, int salesperson = 50) {
        checks_->acquire()->exec("INSERT INTO tActions (idAction, idClient, DateAction, idCom, CommentaireAction, DateRelance,"
                                 " idComRelance, SujetRelance, PrioriteRelance) VALUES (" +
                                 std::to_string(id) + ", " + std::to_string(customer) + ", '" + date + "', " +
                                 std::to_string(salesperson) + ", 'action " + std::to_string(id) + "', " +
                                 (*reminder ? "'" + std::string(reminder) + "'" : std::string("NULL")) + ", " +
                                 std::to_string(salesperson) + ", 3, 2)");
    }
};

// The service's date is 09/12/2026.
TEST_F(DataServiceReminders, DueAreTheRemindersUpToTodayThatNoLaterActionFollowedUp) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> actions;  // date, reminder of one customer's actions
        const char* listed;  // "n:late" of the customer's actions listed (n: 1-based among its actions)
    };
    const Case cases[] = {
        {"due yesterday", {{"2026-12-01", "2026-12-08"}}, "1:1"},
        {"due today", {{"2026-12-01", "2026-12-09"}}, "1:0"},
        {"due tomorrow", {{"2026-12-01", "2026-12-10"}}, ""},
        {"no reminder", {{"2026-12-01", ""}}, ""},
        {"followed up after the date", {{"2026-11-01", "2026-11-20"}, {"2026-11-25", ""}}, ""},
        {"followed up on the date", {{"2026-11-01", "2026-11-20"}, {"2026-11-20", ""}}, ""},
        {"a later action before the date", {{"2026-11-01", "2026-11-20"}, {"2026-11-10", ""}}, "1:19"},
        {"each reminder followed by the next action", {{"2026-10-01", "2026-10-15"}, {"2026-10-20", "2026-11-30"}},
         "2:9"},
        // The action itself is no follow-up of its own reminder.
        {"a reminder dated before its action", {{"2026-12-05", "2026-12-02"}}, "1:7"},
    };
    int customer = 600, action = 6000;
    for (const Case& c : cases) {
        ++customer;
        Customer(customer);
        std::vector<int> ids;
        for (const auto& [date, reminder] : c.actions) {
            Action(++action, customer, date, reminder);
            ids.push_back(action);
        }
        const std::string body = Get50("AxRelances?XMLC_OutputFormat=XML&UserID=50");
        ASSERT_EQ(LogItems(body), "") << c.what;
        std::string listed;
        TXml xml = Scan(body);
        XmlFind(xml, "RelanceS");
        while (XmlNext(xml, "Relance")) {
            if (Field(xml, "idClient").toInt() != customer) continue;
            const int n = int(std::find(ids.begin(), ids.end(), Field(xml, "idAction").toInt()) - ids.begin()) + 1;
            listed += (listed.empty() ? "" : " ") + std::to_string(n) + ":" + Field(xml, "JoursRetard").toStdString();
            EXPECT_EQ(Field(xml, "CliNom").toStdString(), "ESSAI" + std::to_string(customer)) << c.what;
        }
        EXPECT_EQ(listed, c.listed) << c.what;
        // Cases are kept apart: each customer's actions are done with once checked.
        checks_->acquire()->exec("UPDATE tActions SET DateRelance = NULL WHERE idClient = " + std::to_string(customer));
    }
}

TEST_F(DataServiceReminders, OldestFirstWithinTheDealershipOnly) {
    Customer(701);
    Customer(702);
    Customer(703, "BXL");  // another dealership's customer
    Action(7101, 701, "2026-11-01", "2026-12-03");
    Action(7102, 702, "2026-10-01", "2026-11-15");
    Action(7103, 701, "2026-11-02", "2026-12-03");
    Action(7104, 703, "2026-10-01", "2026-11-01");
    Action(7105, 702, "2026-10-02", "2026-12-07", 3);  // another salesperson's
    const std::string body = Get50("AxRelances?XMLC_OutputFormat=XML&UserID=50");
    EXPECT_EQ(Rows(body), "7102:24 7101:6 7103:6");
    EXPECT_EQ(Header(body, "Nombre"), "3");
    EXPECT_EQ(Header(body, "cNom"), "ESSAI Vendeur");
    EXPECT_EQ(Header(body, "Now"), "09/12/2026");
    checks_->acquire()->exec("UPDATE tActions SET DateRelance = NULL WHERE idAction > 7100 AND idAction < 7200");
}

// Whether a reminder was followed up is kept as its customer's actions change:
// a follow-up moved before the reminder, to another customer or removed makes
// it due again.
TEST_F(DataServiceReminders, AFollowUpMovedOrRemovedMakesTheReminderDueAgain) {
    Customer(801);
    Customer(802);
    Action(8101, 801, "2026-11-01", "2026-11-20");
    Action(8102, 801, "2026-11-25", "");
    const std::pair<const char*, const char*> steps[] = {
        {"", ""},
        {"UPDATE tActions SET DateAction = '2026-11-10' WHERE idAction = 8102", "8101:19"},
        {"UPDATE tActions SET DateAction = '2026-11-20' WHERE idAction = 8102", ""},
        {"UPDATE tActions SET idClient = 802 WHERE idAction = 8102", "8101:19"},
        {"UPDATE tActions SET idClient = 801 WHERE idAction = 8102", ""},
        {"UPDATE tActions SET DateRelance = '2026-11-30' WHERE idAction = 8101", "8101:9"},
        {"UPDATE tActions SET DateRelance = '2026-11-20' WHERE idAction = 8101", ""},
        {"DELETE FROM tActions WHERE idAction = 8102", "8101:19"},
    };
    for (const auto& [statement, listed] : steps) {
        if (*statement) checks_->acquire()->exec(statement);
        std::string ours;
        std::istringstream rows(Rows(Get50("AxRelances?XMLC_OutputFormat=XML&UserID=50")));
        for (std::string row; rows >> row;)
            if (row.rfind("81", 0) == 0) ours += (ours.empty() ? "" : " ") + row;
        EXPECT_EQ(ours, listed) << statement;
    }
    checks_->acquire()->exec("UPDATE tActions SET DateRelance = NULL WHERE idAction = 8101");
}

TEST_F(DataServiceReminders, OnlyASuperAdministratorAsksForAnotherSalespersonOrASite) {
    struct Case {
        const char* user;
        const char* params;
        const char* refusal;  // start of the LogItem, "" when answered
        const char* idCom;    // the salesperson the list is for
    };
    const Case cases[] = {
        {"50", "", "", "50"},
        {"50", "&idCom=50", "", "50"},  // a salesperson naming themself
        {"50", "&idCom=3", "Seul un super-administrateur", ""},
        {"50", "&Site=NORD", "Seul un super-administrateur", ""},
        {"50", "&idCom=51", "Seul un super-administrateur", ""},
        {"1", "&idCom=3", "", "3"},
        {"1", "&Site=SUD", "", ""},
        {"1", "&idCom=51", "Vendeur inconnu de la concession", ""},  // another dealership's salesperson
        {"1", "&idCom=999", "Vendeur inconnu de la concession", ""},
        {"1", "&Site=LYON", "Site inconnu de la concession", ""},
        {"1", "", "", ""},   // a super-administrator who is no salesperson: an empty list
        {"3", "", "", ""},   // nor is the accountant
        // Another user than the session's is refused before anything is read.
        {"424242", "", "Requête refusée : UserID=424242", ""},
        {"1'", "", "Requête refusée : UserID=1'", ""},
    };
    for (const Case& c : cases) {
        const std::string request = std::string("AxRelances?XMLC_OutputFormat=XML&UserID=") + c.user + c.params;
        const std::string user = c.user;
        const std::string body = user == "50" ? Get50(request)
                                 : user == "1" || user == "3" ? GetAs(TokenFor(user), request)
                                                              : Get(request);
        if (*c.refusal) {
            EXPECT_EQ(LogItems(body).rfind(c.refusal, 0), 0u) << c.user << c.params << " " << LogItems(body);
            EXPECT_EQ(Rows(body), "") << c.user << c.params;
            continue;
        }
        EXPECT_EQ(LogItems(body), "") << c.user << c.params;
        EXPECT_EQ(Header(body, "idCom"), c.idCom) << c.user << c.params;
    }
    // A site lists the reminders of every salesperson who works there.
    const std::string site = Get("AxRelances?XMLC_OutputFormat=XML&UserID=1&Site=SUD");
    EXPECT_EQ(Header(site, "Site"), "SUD");
}

// The demo's reminders, made on any day, are due, handled and to come as their
// comments say, for the salesperson that user 2 works as.
TEST(DemoReminders, StayDueWhateverTheDayTheDemoIsMade) {
    for (int year : {2026, 2031}) {
        std::tm tm{};
        tm.tm_year = year - 1900; tm.tm_mon = 5; tm.tm_mday = 15; tm.tm_hour = 12; tm.tm_isdst = -1;
        const auto day = std::chrono::system_clock::from_time_t(std::mktime(&tm));
        const std::string dir = MakeTempDir();
        CreateDemoDatabase(dir + "/demo.db", STANOR_DEMO_DIR, day);
        SqliteStore store(dir + "/demo.db");
        auto s = store.acquire();
        const std::string today = "15/06/" + std::to_string(year);
        const std::string body = RemindersAnswer(*s, Caller{"2", "127.0.0.1"}, QueryParams{}, today);
        const std::string rows = " " + Rows(body) + " ";
        EXPECT_NE(rows.find(" 6:6 "), std::string::npos) << year << rows;   // overdue six days
        EXPECT_NE(rows.find(" 7:0 "), std::string::npos) << year << rows;   // due today
        EXPECT_EQ(rows.find(" 5:"), std::string::npos) << year << rows;     // handled by the next action
        EXPECT_EQ(rows.find(" 8:"), std::string::npos) << year << rows;     // to come
        EXPECT_EQ(rows.find(" 10:"), std::string::npos) << year << rows;    // another salesperson's
        // The other salespeople have theirs.
        for (const auto& [idCom, action] : {std::pair{"3", "10:1"}, std::pair{"4", "11:12"}}) {
            QueryParams p;
            p.values["idCom"] = idCom;
            const std::string other = RemindersAnswer(*s, Caller{"1", "127.0.0.1"}, p, today);
            EXPECT_NE((" " + Rows(other) + " ").find(std::string(" ") + action + " "), std::string::npos)
                << year << " " << idCom << " " << Rows(other);
        }
        std::filesystem::remove_all(dir);
    }
}

TEST(DemoReminders, RelativeDatesAndDaysBetween) {
    std::tm tm{};
    tm.tm_year = 124; tm.tm_mon = 2; tm.tm_mday = 1; tm.tm_hour = 12; tm.tm_isdst = -1;  // 1 March 2024
    const auto day = std::chrono::system_clock::from_time_t(std::mktime(&tm));
    const std::pair<const char*, const char*> cells[] = {
        {"@today", "2024-03-01"}, {"@today-1", "2024-02-29"}, {"@today+365", "2025-03-01"},
        {"@today-366", "2023-03-01"}, {"@todayx", nullptr}, {"@today-", nullptr}, {"2024-03-01", nullptr},
        {"@today+9999999", nullptr},
    };
    for (const auto& [cell, expected] : cells) {
        const auto got = RelativeDay(cell, day);
        EXPECT_EQ(got.has_value(), expected != nullptr) << cell;
        if (got && expected) EXPECT_EQ(*got, expected) << cell;
    }
    EXPECT_EQ(DaysBetween("28/02/2024", "01/03/2024"), 2);
    EXPECT_EQ(DaysBetween("2024-03-01", "01/03/2024"), 0);
    EXPECT_EQ(DaysBetween("10/03/2024", "01/03/2024"), -9);
    EXPECT_FALSE(DaysBetween("31/02/2024", "01/03/2024").has_value());
    EXPECT_FALSE(DaysBetween("", "01/03/2024").has_value());
}
