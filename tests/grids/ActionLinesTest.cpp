// The action grid's columns and lines as loaded, what a cell shows of what
// it stores and back, the new action and its remembered values; the
// customer's vehicles as their grid lists them.
#include "grids/ActionLines.h"
#include "grids/CustomerVehicles.h"

#include <gtest/gtest.h>

#include <map>

using namespace stanor::grids;
using stanor::pages::DescRow;
using stanor::pages::UserRights;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

DescRow row(const char* desc, const char* name, const char* tag, int type, const char* width,
            const char* defval = "") {
    DescRow r;
    const char* values[][2] = {{"descInfo", desc}, {"txtInfo", name}, {"vInfo", name},     {"tag", tag},
                               {"width", width},   {"tControl", "109"}, {"notNull", "FALSE"}, {"defval", defval}};
    for (const auto& v : values) r.set(QLatin1String(v[0]), QString::fromUtf8(v[1]));
    r.set(QStringLiteral("tInfo"), QString::number(type));
    return r;
}

// The demo's descriptions, a cost column in between and an eleventh column after.
std::vector<DescRow> actionRows() {
    return {
        row("gAct", "idAction", "", 4, "0"),
        row("gAct", "DateAction", "PROFID;SUPERADMINS", 1, "1500", "now"),
        row("gFrev", "DateFrevo", "SVO", 1, "1500"),
        row("gAct", "idCom", "PROFID", 4, "1800"),
        row("gAct", "TypeAction", "PROFID", 4, "1500"),
        row("gAct", "SujetAction", "PROFID", 4, "1800"),
        row("gAct", "CommentaireAction", "PROFID", 2, "3000", "à rappeler"),
        row("gAct", "DateRelance", "PROFID", 1, "1500"),
        row("gAct", "idComRelance", "SUPERADMINS", 4, "1800"),
        row("gAct", "SujetRelance", "PROFID", 4, "1800"),
        row("gAct", "PrioriteRelance", "PROFID", 4, "1200"),
        row("gAct", "Onzieme", "PROFID", 2, "1200"),
    };
}

UserRights user(QStringList groups) {
    UserRights r;
    r.setGroups(groups);
    r.computeFlags(QStringLiteral("#"), QStringLiteral("NORD"), false);
    return r;
}

ActionLists demoLists() {
    ActionLists l;
    l.types = {"Appel", "Visite", "Courrier", "Essai"};
    l.subjects = {"Information", "Offre", "Relance", "Livraison"};
    l.priorities = {"Basse", "Normale", "Haute"};
    l.salespeople = {{"1", ".."}, {"2", "BERNARD Luc"}, {"3", "MOREAU Anne"}};
    return l;
}

AnswerElement action(const char* id, const char* comment) {
    return {{"idAction", id},    {"DateAction", "20/11/2026"}, {"idCom", "2"},        {"TypeAction", "1"},
            {"SujetAction", "3"}, {"CommentaireAction", comment}, {"DateRelance", "01/02/2027"},
            {"idComRelance", "9"}, {"SujetRelance", "0"},          {"PrioriteRelance", "7"}};
}

}  // namespace

TEST(GridsActionCells, WhatACellShowsAndStores) {
    const ActionLists lists = demoLists();
    struct Case {
        int column;
        const char* stored;
        const char* shown;
    };
    const Case cases[] = {
        {ColSujetAction, "3", "Relance"},
        {ColSujetRelance, "3", "Relance"},  // the reminder's subject reads the subjects
        {ColTypeAction, "4", "Essai"},
        {ColPrioriteRelance, "1", "Basse"},
        {ColSujetAction, "0", ""},                // no choice
        {ColSujetAction, "", ""},                 // nothing stored: not the first entry
        {ColSujetAction, "-2", ""},
        {ColTypeAction, "7", "7 (hors liste)"},   // the list was shortened since
        {ColIdCom, "2", "BERNARD Luc"},
        {ColIdComRelance, "3", "MOREAU Anne"},
        {ColIdCom, "0", ""},
        {ColIdCom, "9", ""},                      // nobody of that identifier
        {ColIdCom, "", ""},
        {ColCommentaireAction, "3", "3"},         // other columns show what they store
        {ColDateAction, "20/11/2026", "20/11/2026"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(actionShownText(c.column, QString::fromUtf8(c.stored), lists), QString::fromUtf8(c.shown))
            << c.column << " " << c.stored;

    const Case back[] = {
        {ColSujetAction, "3", "Relance"},  // the third subject stores 3
        {ColSujetRelance, "2", "Offre"},
        {ColPrioriteRelance, "3", "Haute"},
        {ColTypeAction, "0", "Autre"},     // a text of no entry
        {ColTypeAction, "0", ""},
        {ColIdCom, "2", "BERNARD Luc"},
        {ColIdComRelance, "0", "DUPONT"},
        {ColCommentaireAction, "Rappel", "Rappel"},
    };
    for (const Case& c : back)
        EXPECT_EQ(actionStoredValue(c.column, QString::fromUtf8(c.shown), lists), QString::fromUtf8(c.stored))
            << c.column << " " << c.shown;
}

TEST(GridsActionCells, AnEditorOpenedAndClosedChangesNothing) {
    const ActionLists lists = demoLists();
    struct Case {
        const char* what;
        int column;
        const char* current;
        const char* text;  // left in the cell
        const char* value;
    };
    const Case cases[] = {
        {"an empty list cell stays empty, not 0", ColTypeAction, "", "", ""},
        {"a position past its list is kept", ColTypeAction, "7", "7 (hors liste)", "7"},
        {"an unknown salesperson is kept", ColIdCom, "9", "", "9"},
        {"a stored 0 stays 0", ColSujetAction, "0", "", "0"},
        {"an entry chosen stores its position", ColTypeAction, "7", "Visite", "2"},
        {"a list cell emptied by a text of no entry", ColTypeAction, "2", "Autre", "0"},
        {"a salesperson chosen", ColIdComRelance, "", "MOREAU Anne", "3"},
        {"a date typed", ColDateRelance, "01/02/2027", "03/02/2027", "03/02/2027"},
        {"a comment emptied", ColCommentaireAction, "Essai", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(actionEditedValue(c.column, QString::fromUtf8(c.text), QString::fromUtf8(c.current), lists),
                  QString::fromUtf8(c.value))
            << c.what;
}

TEST(GridsActionColumns, TenDescribedInOrderWithTheirDefaults) {
    const LineColumns c = describeActionColumns(actionRows());
    EXPECT_EQ(c.count, 10);  // the cost column and the eleventh are left out
    EXPECT_EQ(c.header.cell(ColDateAction).FieldName, "DateAction");
    EXPECT_EQ(c.header.cell(ColDateAction).DefaultValue, "now");
    EXPECT_EQ(c.header.cell(ColCommentaireAction).DefaultValue, QString::fromUtf8("à rappeler"));
    EXPECT_EQ(c.header.cell(ColPrioriteRelance).FieldName, "PrioriteRelance");
    EXPECT_EQ(c.header.cell(ColIdAction).RightsTags, QString());
    EXPECT_EQ(c.header.cell(ColIdCom).RightsTags, ";PROFID;");
    EXPECT_TRUE(c.looks[ColIdAction].hidden);
    EXPECT_EQ(c.looks[ColDateAction].width, 100);
}

TEST(GridsActionLines, ImagesAndCellsOfEachUser) {
    const LineColumns columns = describeActionColumns(actionRows());
    const std::vector<AnswerElement> elements = {action("2", ""), action("1", "Essai de la Golf")};
    struct Case {
        const char* who;
        QStringList groups;
        const char* icons;  // one per line
        const char* empty;  // columns 1 to 10: "x" when shown empty for lack of rights
    };
    const Case cases[] = {
        {"profid", {"PROFID"}, "0 0", "x------x--"},
        {"super-administrator", {"SUPERADMINS"}, "0 2", "x-xxxxx-xx"},
        {"accounting", {"COMPTA"}, "0 2", "xxxxxxxxxx"},
    };
    for (const Case& c : cases) {
        const ActionLoad load = loadActionLines(columns, elements, user(c.groups), demoLists());
        ASSERT_EQ(load.looks.size(), 2u) << c.who;
        QStringList icons;
        for (const ActionLineLook& l : load.looks) icons << QString::number(int(l.icon));
        EXPECT_EQ(icons.join(u' '), c.icons) << c.who;
        QString empty;
        for (int k = 1; k <= kActionColumns; ++k) empty += load.looks[1].cells[size_t(k)].empty ? u'x' : u'-';
        EXPECT_EQ(empty, c.empty) << c.who;
        EXPECT_EQ(load.looks[0].hint, kActionDeleteHint) << c.who;
        EXPECT_EQ(load.looks[1].hint, int(load.looks[1].icon) == 0 ? kActionDeleteHint : QString()) << c.who;
    }
}

TEST(GridsActionLines, ValuesAsAnsweredAndShown) {
    const LineColumns columns = describeActionColumns(actionRows());
    AnswerElement e = action("1", "Appel &amp; essai&cr;le 3");
    e.remove(QStringLiteral("DateRelance"));
    const ActionLoad load = loadActionLines(columns, {e}, user({"PROFID"}), demoLists());
    const TsLine& line = load.rows[1];
    EXPECT_EQ(line.cell(ColCommentaireAction).LoadedValue, "Appel & essai\r\nle 3");
    EXPECT_EQ(line.cell(ColDateRelance).CurrentValue, QString());
    EXPECT_EQ(line.cell(ColSujetRelance).CurrentValue, "0");
    const ActionLineLook& look = load.looks[0];
    EXPECT_EQ(look.cells[ColSujetAction].text, "Relance");
    EXPECT_EQ(look.cells[ColSujetRelance].text, QString());
    EXPECT_EQ(look.cells[ColIdComRelance].text, QString());
    EXPECT_EQ(look.cells[ColPrioriteRelance].text, "7 (hors liste)");
    // A line loaded sends nothing.
    TsLine copy = line;
    LineRequest r;
    r.RecordId = QStringLiteral("1");
    EXPECT_FALSE(TestActionUpdate(copy, r).pending());

    std::vector<AnswerElement> many(120, action("5", ""));
    const ActionLoad big = loadActionLines(columns, many, user({"PROFID"}), demoLists());
    EXPECT_EQ(big.looks.size(), 99u);
    EXPECT_EQ(big.rows.size(), 100u);
    EXPECT_EQ(big.skipped, 21);
}

TEST(GridsNewAction, TakesTheRememberedValues) {
    const LineColumns columns = describeActionColumns(actionRows());
    const QDate today(2026, 12, 9), server(2026, 12, 9);
    struct Case {
        const char* what;
        std::map<QString, QString> remembered;
        const char* aidCom;
        const char* values;  // cells 1 to 10, "|" between
        const char* refused = "";
    };
    // Dated today, the customer's salesperson twice, the first priority:
    // with a type, a subject and a comment the action can be stored.
    const Case cases[] = {
        {"nothing remembered yet", {}, "2", "|09/12/2026|2|||à rappeler||2||1"},
        {"the last action saved: its dates are not taken over, its reminder still ahead is",
         {{"sAct2", "08/12/2026"}, {"sAct3", "3"}, {"sAct4", "4"}, {"sAct5", "2"}, {"sAct6", "jamais"},
          {"sAct7", "15/01/2027"}, {"sAct8", "3"}, {"sAct9", "3"}, {"sAct10", "3"}},
         "2", "|09/12/2026|2|4|2|à rappeler|15/01/2027|2|3|1"},
        {"a remembered reminder already past is left out", {{"sAct7", "08/12/2026"}, {"sAct9", "2"}}, "3",
         "|09/12/2026|3|||à rappeler||3|2|1", "sAct7"},
        {"remembered texts that fit no column are refused",
         {{"sAct2", "31/02/2026"}, {"sAct3", "BERNARD"}, {"sAct4", "2"}, {"sAct7", "demain"}}, "0",
         "|09/12/2026|0|2||à rappeler||0||1", "sAct2 sAct3 sAct7"},
    };
    for (const Case& c : cases) {
        QStringList refused;
        const TsLine line = newActionLine(
            columns, [&c](const QString& name) { return c.remembered.count(name) ? c.remembered.at(name) : QString(); },
            QLatin1String(c.aidCom), today, server, demoLists(),
            [&refused](int k, const QString&) { refused << rememberedName(k); });
        QStringList values;
        for (int k = 1; k <= kActionColumns; ++k) {
            values << line.cell(k).CurrentValue;
            EXPECT_EQ(line.cell(k).LoadedValue, QString()) << c.what << " " << k;
        }
        EXPECT_EQ(values.join(u'|'), QString::fromUtf8(c.values)) << c.what;
        EXPECT_EQ(refused.join(u' '), c.refused) << c.what;
    }
    // "now" as a default stands for today where no remembered value replaces it.
    LineColumns nowComment = columns;
    nowComment.header.cell(ColCommentaireAction).DefaultValue = QStringLiteral("Now");
    EXPECT_EQ(newActionLine(nowComment, {}, {}, today, server, demoLists()).cell(ColCommentaireAction).CurrentValue,
              "09/12/2026");
}

TEST(GridsNewAction, ASavedLineLeavesItsChangedValuesToRemember) {
    const LineColumns columns = describeActionColumns(actionRows());
    TsLine line = loadActionLines(columns, {action("4", "Offre")}, user({"PROFID"}), demoLists()).rows[1];
    line.cell(ColIdAction).CurrentValue = QStringLiteral("5");            // never remembered
    line.cell(ColSujetAction).CurrentValue = QStringLiteral("1");
    line.cell(ColCommentaireAction).CurrentValue = QStringLiteral("Autre");  // never remembered
    line.cell(ColPrioriteRelance).CurrentValue = QStringLiteral("3");
    const auto values = valuesToRemember(line);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0], (std::pair<QString, QString>{"sAct5", "1"}));
    EXPECT_EQ(values[1], (std::pair<QString, QString>{"sAct10", "3"}));
}

TEST(GridsActionLines, OnlyAPendingLineWithAnEmptyColumnHoldsTheUser) {
    std::vector<TsLine> rows(4);
    rows[1].MissingColumn = 6;  // edited and edited back: nothing to store
    rows[2].MissingColumn = 7;
    rows[2].PendingStatement = QStringLiteral("Update tActions set DateRelance=NULL where (idAction=5)");
    rows[3].PendingStatement = QStringLiteral("Update tActions set SujetAction=2 where (idAction=4)");
    EXPECT_EQ(lineMissingAColumn(rows, 1), 2);
    EXPECT_EQ(lineMissingAColumn(rows, 2), 0);  // moving inside the line itself
}

TEST(GridsCustomerVehicles, OneRowPerVehicle) {
    const std::vector<AnswerElement> elements = {
        {{"idtVO", "1"}, {"Immatriculation", "AA111BB"}, {"InfoMarque", "PEUGEOT"}, {"InfoModele", "308"},
         {"InfoVersion", "1.6 &amp; HDI"}},
        {{"idtVO", "7"}, {"Immatriculation", ""}, {"InfoMarque", "VW"}},
    };
    const auto rows = customerVehicleRows(elements, true);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].vehicle, "PEUGEOT 308 1.6 & HDI");
    EXPECT_EQ(rows[1].vehicle, "VW");
    EXPECT_EQ(rows[0].icon, 0);
    EXPECT_EQ(rows[0].hint, kVehicleDeleteHint);
    const auto readOnly = customerVehicleRows(elements, false);
    EXPECT_EQ(readOnly[1].icon, 2);
    EXPECT_EQ(readOnly[1].hint, QString());
    EXPECT_EQ(rowOfVehicle(rows, "7"), 1);
    EXPECT_EQ(rowOfVehicle(rows, "5"), -1);
    EXPECT_EQ(rowOfVehicle(rows, ""), -1);
    EXPECT_TRUE(customerVehicleRows({}, true).empty());
}

TEST(GridsCustomerVehicles, TheModelIsWrittenOnceAndEmptyPartsLeaveNoSpaces) {
    struct Case { const char *mark, *model, *version, *shown; } cases[] = {
        {"PEUGEOT", "308", "308 1.6 HDI 110", "PEUGEOT 308 1.6 HDI 110"},
        {"VW", "Golf", "GOLF", "VW GOLF"},
        {"PEUGEOT", "308", "3008 1.2", "PEUGEOT 308 3008 1.2"},  // another model's name, not this one
        {"PEUGEOT", "", "308 1.6", "PEUGEOT 308 1.6"},
        {"", "CLIO", "", "CLIO"},
        {" RENAULT ", "CLIO ", " 1.5 DCI", "RENAULT CLIO 1.5 DCI"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(customerVehicleText(c.mark, c.model, c.version), c.shown) << c.version;
}

TEST(GridsLineSources, ElementsOfTheAnswer) {
    const QString answer = QStringLiteral(
        "<TVC><idClient>1</idClient></TVC><TActS><TAct><idAction>2</idAction><SujetAction>3</SujetAction></TAct>"
        "<TAct><idAction>1</idAction></TAct></TActS><TVehS></TVehS>");
    const auto actions = answerElements(answer, "TActS", "TAct", {"idAction", "SujetAction", "DateAction"});
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0].value("SujetAction"), "3");
    EXPECT_FALSE(actions[1].contains("SujetAction"));
    EXPECT_FALSE(actions[0].contains("DateAction"));
    EXPECT_TRUE(answerElements(answer, "TVehS", "TVeh", {"idtVO"}).empty());
    EXPECT_TRUE(answerElements(answer, "FrevoS", "Frevo", {"idFrevo"}).empty());
    EXPECT_EQ(answerListText(answer, "TVehS"), QString());
    EXPECT_TRUE(answerListText(answer, "TActS").startsWith("<TAct><idAction>2"));

    const QString descriptions = QStringLiteral(
        "<axStructS><axStruct><descInfo>gFrev</descInfo><vInfo>DateFrevo</vInfo></axStruct>"
        "<axStruct><descInfo>gAct</descInfo><vInfo>DateAction</vInfo><width>1500</width></axStruct></axStructS>");
    const auto rows = gridDescRows(descriptions, "gAct");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].text("vInfo"), "DateAction");
    EXPECT_TRUE(gridDescRows(QString(), "gAct").empty());
}
