// The reminders due as the list reads them from the service's answer and
// shows them: names, phones, list entries, comments on one line, the count
// on the toolbar command and how late each one is.
#include "reminders/ReminderList.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace stanor;
using namespace stanor::reminders;

namespace {

grids::ActionLists lists() {
    grids::ActionLists l;
    l.subjects = {"Information", "Offre", "Relance"};
    l.priorities = {"Basse", "Normale", "Haute"};
    return l;
}

QString relance(const char* fields) {
    QString out = QStringLiteral("<Relance>");
    for (const QString& f : QString::fromUtf8(fields).split(u'|')) {
        const QString name = f.section(u'=', 0, 0), value = f.section(u'=', 1);
        out += u'<' + name + u'>' + value + QStringLiteral("</") + name + u'>';
    }
    return out + QStringLiteral("</Relance>");
}

}  // namespace

TEST(ReminderList, RowsAsTheListShowsThem) {
    const QString answer =
        QStringLiteral("<Answer><Relances><idCom>2</idCom><cNom>BERNARD Luc</cNom><Site></Site><Now>09/12/2026</Now>"
                       "<Nombre>3</Nombre><Plus>True</Plus></Relances><RelanceS>") +
        relance("idAction=6|idClient=4|DateRelance=03/12/2026|JoursRetard=6|CliCivilite=M.|CliNom=garnier|"
                "CliPrenom=Hugo|CliMobile=0633445566|CliTelDom=0320554411|CliTelBur=0633445566|SujetRelance=3|"
                "PrioriteRelance=3|CommentaireAction=Offre de reprise&cr;à relancer") +
        relance("idAction=7|idClient=5|DateRelance=09/12/2026|JoursRetard=0|CliNom=TRANSPORTS &amp; FILS|"
                "SujetRelance=9|PrioriteRelance=|CommentaireAction=") +
        relance("idAction=8|idClient=6|DateRelance=01/12/2026|JoursRetard=x|SujetRelance=0|PrioriteRelance=abc") +
        QStringLiteral("</RelanceS></Answer>");
    const ReminderList l = ReadReminders(answer, lists());
    EXPECT_EQ(l.salesperson, QStringLiteral("BERNARD Luc"));
    EXPECT_EQ(l.count, 3);
    EXPECT_TRUE(l.more);
    EXPECT_TRUE(l.error.isEmpty());
    struct Row {
        const char *customer, *phones, *subject, *priority, *comment;
        int late;
    } rows[] = {
        // The surname in capitals; a number given twice shown once; a comment on one line.
        {"M. GARNIER Hugo", "06.33.44.55.66 · 03.20.55.44.11", "Relance", "Haute", "Offre de reprise à relancer", 6},
        // A position past the end of its list still says which one; none is nothing.
        {"TRANSPORTS & FILS", "", "9 (hors liste)", "", "", 0},
        {"", "", "", "abc", "", 0},
    };
    ASSERT_EQ(l.rows.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const ReminderRow& r = l.rows[i];
        EXPECT_EQ(r.customer, QString::fromUtf8(rows[i].customer)) << i;
        EXPECT_EQ(r.phones, QString::fromUtf8(rows[i].phones)) << i;
        EXPECT_EQ(r.subject, QString::fromUtf8(rows[i].subject)) << i;
        EXPECT_EQ(r.priority, QString::fromUtf8(rows[i].priority)) << i;
        EXPECT_EQ(r.comment, QString::fromUtf8(rows[i].comment)) << i;
        EXPECT_EQ(r.daysLate, rows[i].late) << i;
    }
    EXPECT_EQ(RemindersTitle(l), QString::fromUtf8("Relances de BERNARD Luc : 3+ relances à faire"));

    // A refusal: no rows, the reason kept.
    const ReminderList refused = ReadReminders(
        QStringLiteral("<Answer><LogItems><LogItem>Seul un super-administrateur</LogItem></LogItems></Answer>"), lists());
    EXPECT_TRUE(refused.rows.empty());
    EXPECT_TRUE(refused.error.startsWith(QStringLiteral("Seul un super-administrateur")));
    EXPECT_EQ(RemindersTitle(refused), QString::fromUtf8("Aucun vendeur n'est associé à votre compte : pas de relances"));
}

TEST(ReminderList, CaptionsAndLateness) {
    const std::tuple<int, bool, const char*> captions[] = {
        {-1, false, "Relances"}, {0, false, "Relances (0)"}, {3, false, "Relances (3)"}, {500, true, "Relances (500+)"}};
    for (const auto& [count, more, caption] : captions) EXPECT_EQ(RemindersCaption(count, more), QLatin1String(caption));
    const std::pair<int, const char*> late[] = {{-2, "aujourd'hui"}, {0, "aujourd'hui"}, {1, "hier"}, {12, "depuis 12 jours"}};
    for (const auto& [days, text] : late) EXPECT_EQ(LateText(days), QString::fromUtf8(text)) << days;
}
