// The cost grid's columns and lines as loaded: rights, locks, images, the
// template and what each cell stores.
#include "grids/FrevoLines.h"

#include <gtest/gtest.h>

using namespace stanor::grids;
using stanor::pages::DescRow;
using stanor::pages::UserRights;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

DescRow row(const char* desc, const char* caption, const char* name, const char* tag, int type, const char* width) {
    DescRow r;
    const char* values[][2] = {{"descInfo", desc}, {"txtInfo", caption}, {"vInfo", name}, {"tag", tag},
                               {"width", width},   {"tControl", "109"}, {"notNull", "FALSE"}};
    for (const auto& v : values) r.set(QLatin1String(v[0]), QString::fromUtf8(v[1]));
    r.set(QStringLiteral("tInfo"), QString::number(type));
    return r;
}

// The demo's descriptions, with a row of another grid in between.
std::vector<DescRow> costRows() {
    return {
        row("gFrev", "N°", "idFrevo", "", 4, "0"),
        row("gFrev", "Date", "DateFrevo", "SVO;SUPERADMINS", 1, "1740"),
        row("gAct", "Date", "DateAction", "PROFID", 1, "1740"),
        row("gFrev", "Libellé &amp; co", "LibelleFrevo", "SVO;SUPERADMINS", 2, "2400"),
        row("gFrev", "N° compta", "NComptable", "compta", 2, "1200"),
        row("gFrev", "Fournisseur", "NomFournisseur", "SVO;SUPERADMINS", 2, "large"),
        row("gFrev", "N° facture", "NFacture", "SVO;SUPERADMINS", 2, "1200"),
        row("gFrev", "Type", "TypeFrevo", "SVO;SUPERADMINS", 2, "1200"),
        row("gFrev", "Montant HT", "MontantHT", "SVO;SUPERADMINS", 5, "1400"),
        row("gFrev", "Neuvième", "Autre", "SVO", 2, "1400"),
    };
}

UserRights user(QStringList groups) {
    UserRights r;
    r.setGroups(groups);
    r.computeFlags(QStringLiteral("#"), QStringLiteral("NORD"), false);
    return r;
}

FrevoElement element(const char* id, const char* account, const char* invoice, const char* amount) {
    return {{"idFrevo", id},         {"DateFrevo", "03/10/2026"}, {"LibelleFrevo", "Pneus &amp; jantes"},
            {"NComptable", account}, {"NFacture", invoice},       {"TypeFrevo", "externe"},
            {"MontantHT", amount}};
}

}  // namespace

TEST(GridsFrevoColumns, DescribedByTheirRowsInOrder) {
    const FrevoColumns c = describeFrevoColumns(costRows());
    EXPECT_EQ(c.count, 8);  // the ninth row is left out
    EXPECT_EQ(c.header.cell(1).FieldName, "idFrevo");
    EXPECT_EQ(c.header.cell(3).FieldName, "LibelleFrevo");
    EXPECT_EQ(c.header.cell(8).DataType, 5);
    EXPECT_EQ(c.header.cell(1).RightsTags, "");  // no tag: held by nobody
    EXPECT_EQ(c.header.cell(4).RightsTags, ";COMPTA;");
    EXPECT_EQ(c.addTag, ";SVO;SUPERADMINS;");
    EXPECT_EQ(c.looks[1].hidden, true);
    EXPECT_EQ(c.looks[2].width, 116);  // twips, like every geometry of the descriptions
    EXPECT_EQ(c.looks[5].width, 20);   // no number
    EXPECT_EQ(c.looks[3].caption, "Libellé & co");
}

TEST(GridsFrevoLines, LocksImagesAndGreyCellsByRights) {
    const FrevoColumns c = describeFrevoColumns(costRows());
    const std::vector<FrevoElement> elements = {element("1", "611200", "", "78"), element("2", "", "F-118", "1 356,4"),
                                                element("3", "", "", "abc")};
    const QDate today(2026, 12, 9);
    struct Case {
        const char* who;
        QStringList groups;
        const char* icons;       // per grid row
        const char* locked;      // per stored line
        const char* editable;    // per grid row: the editable columns 1 to 8
        const char* grey;        // per stored line: the greyed columns 1 to 8
    };
    const Case cases[] = {
        // A salesperson: the accounted line is locked and greyed; it and the invoiced one are kept.
        {"sales", {"SVO"}, "2 2 0 1", "100", "-------- -11-1111 -11-1111 -1------", "11111111 1--1---- 1--1----"},
        // Accounting and sales: nothing locked, every line may be deleted.
        {"both", {"SVO", "COMPTA"}, "0 0 0 1", "000", "-1111111 -1111111 -1111111 -1------",
         "1------- 1------- 1-------"},
        // Accounting only: the number alone, and no template to add lines.
        {"accounting", {"COMPTA"}, "0 0 0", "000", "---1---- ---1---- ---1----", "111-1111 111-1111 111-1111"},
        // Nobody's groups: every cell greyed, nothing editable or deleted, no template.
        {"visitor", {}, "2 2 2", "100", "-------- -------- --------", "11111111 11111111 11111111"},
    };
    for (const Case& k : cases) {
        const FrevoLoad load = loadFrevoLines(c, elements, user(k.groups), today);
        QStringList icons, locked, editable, grey;
        for (const FrevoLineLook& look : load.looks) {
            icons << QString::number(int(look.icon));
            QString e, g;
            for (int col = 1; col <= kFrevoColumns; ++col) {
                e += look.cells[size_t(col)].enabled ? u'1' : u'-';
                g += look.cells[size_t(col)].inactive ? u'1' : u'-';
            }
            editable << e;
            if (look.icon != FrevoIcon::Template) grey << g;
        }
        for (size_t l = 1; l <= elements.size(); ++l) locked << (load.rows[l].Locked ? "1" : "0");
        EXPECT_EQ(icons.join(u' '), k.icons) << k.who;
        EXPECT_EQ(locked.join(QString()), k.locked) << k.who;
        EXPECT_EQ(editable.join(u' '), k.editable) << k.who;
        EXPECT_EQ(grey.join(u' '), k.grey) << k.who;
        EXPECT_EQ(load.hasTemplate, QString(k.icons).endsWith(u'1')) << k.who;
        EXPECT_EQ(load.looks[1].hint, int(load.looks[1].icon) == 0 ? kFrevoDeleteHint : QString()) << k.who;
    }

    // What the lines store: amounts "0.00" from any form, texts decoded, loaded = current.
    const FrevoLoad load = loadFrevoLines(c, elements, user({"SVO"}), today);
    ASSERT_EQ(load.rows.size(), 5u);
    EXPECT_EQ(load.rows[1].cell(8).LoadedValue, "78.00");
    EXPECT_EQ(load.rows[2].cell(8).CurrentValue, "1356.40");
    EXPECT_EQ(load.rows[3].cell(8).CurrentValue, "0.00");
    EXPECT_EQ(load.rows[1].cell(3).CurrentValue, "Pneus & jantes");
    // The template: today and "interne" shown, nothing loaded, so that all of it is inserted.
    const TsLine& t = load.rows[4];
    EXPECT_EQ(t.cell(2).CurrentValue, "09/12/2026");
    EXPECT_EQ(t.cell(7).CurrentValue, "interne");
    for (int k = 1; k <= kFrevoColumns; ++k) EXPECT_EQ(t.cell(k).LoadedValue, QString()) << k;
    EXPECT_EQ(load.looks[3].hint, kFrevoAddHint);

    // The totals read date, type and amount of every line, the template's empty amount adding nothing.
    const std::vector<stanor::rules::CostLine> lines = costLinesOf(load.rows);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].amount, "1356.40");
    EXPECT_EQ(lines[3].amount, "");
}

TEST(GridsFrevoLines, NinetyNineLinesAtMost) {
    std::vector<FrevoElement> many;
    for (int i = 1; i <= 120; ++i) many.push_back(element(QByteArray::number(i).constData(), "", "", "1"));
    const FrevoLoad load = loadFrevoLines(describeFrevoColumns(costRows()), many, user({"SVO"}), QDate(2026, 1, 1));
    EXPECT_EQ(load.looks.size(), 100u);  // 99 lines and the template
    EXPECT_EQ(load.skipped, 21);
    EXPECT_EQ(load.rows[99].cell(1).CurrentValue, "99");
    EXPECT_TRUE(isTemplate(load.looks.back()));
}

TEST(GridsFrevoLines, WhatACellStoresOfATypedValue) {
    struct Case {
        int type;
        const char *typed, *stored;
    };
    const Case cases[] = {
        {5, "12,5", "12.50"}, {5, "1 234,5", "1234.50"}, {5, "12.345", "12.35"}, {5, "abc", "0.00"}, {5, "", "0.00"},
        {4, "1 2", "12"},     {2, "a &amp; b", "a &amp; b"},  // typed texts are kept as typed
        {1, "09/12/2026", "09/12/2026"},
    };
    for (const Case& c : cases) EXPECT_EQ(frevoCellValue(c.type, c.typed), c.stored) << c.typed;
}
