#include "pages/TabModel.h"

#include <gtest/gtest.h>

using namespace stanor::pages;

namespace {

// A complete field row; tests override the elements they care about.
DescRow fieldRow(std::initializer_list<std::pair<const char*, const char*>> overrides = {}) {
    DescRow r;
    const std::pair<const char*, const char*> base[] = {
        {"descInfo", "VO1"}, {"idNum", "3"},     {"txtInfo", "Prix"},  {"vInfo", "PrixVente"},
        {"tag", "svo"},      {"defval", ""},     {"tInfo", "2"},       {"tControl", "109"},
        {"width", "1500"},   {"left", "1200"},   {"top", "600"},       {"height", "300"},
        {"length", "0"},     {"color", "255"},   {"notNull", "false"}, {"enabled", "0"},
        {"fieldInfo", ""},
    };
    for (auto [k, v] : base) r.set(QString::fromUtf8(k), QString::fromUtf8(v));
    for (auto [k, v] : overrides) r.set(QString::fromUtf8(k), QString::fromUtf8(v));
    return r;
}

TsDesc read(const DescRow& row, bool rights = true, QStringList* trace = nullptr) {
    TsDesc d;
    readFieldRow(d, row, rights, [trace](const QString& l) {
        if (trace) *trace << l;
    });
    return d;
}

}  // namespace

TEST(TabModel, TwipsRoundToNearestPixel) {
    struct Case { int twips, px; } cases[] = {
        {0, 0}, {7, 0}, {8, 1}, {15, 1}, {22, 1}, {23, 2}, {300, 20}, {1500, 100}, {-8, -1},
    };
    for (auto c : cases) EXPECT_EQ(twipsToPixels(c.twips), c.px) << c.twips;
}

TEST(TabModel, GeometryDefaultsOffsetAndMinimumHeight) {
    QStringList trace;
    // "abc" counts as 20 twips -> 1 pixel; 100 twips high -> 7, raised to 18; top 600 -> 40 - 35.
    TsDesc d = read(fieldRow({{"width", "abc"}, {"height", "100"}, {"top", "600"}}), true, &trace);
    EXPECT_EQ(d.Width, 1);
    EXPECT_EQ(d.Height, 18);
    EXPECT_EQ(d.Top, 5);
    EXPECT_EQ(d.Left, 80);
    ASSERT_EQ(trace.size(), 1);
    EXPECT_TRUE(trace[0].contains(QStringLiteral("width")));
}

TEST(TabModel, MissingElementsTakeDefaultsNotThePreviousRow) {
    DescRow row;
    row.set(QStringLiteral("vInfo"), QStringLiteral("CP"));
    QStringList trace;
    TsDesc d;
    d.Caption = QStringLiteral("left over");
    d.DefaultValue = QStringLiteral("old");
    readFieldRow(d, row, true, [&](const QString& l) { trace << l; });
    EXPECT_EQ(d.FieldName, QStringLiteral("CP"));
    EXPECT_EQ(d.Width, 1);  // 20 twips
    EXPECT_EQ(d.Height, 18);
    EXPECT_EQ(d.ControlType, 0);
    EXPECT_EQ(d.Caption, QString());
    EXPECT_EQ(d.DefaultValue, QString());
    EXPECT_EQ(d.RightsTags, QStringLiteral(";;"));
    EXPECT_FALSE(trace.isEmpty());
    EXPECT_TRUE(trace[0].contains(QStringLiteral("sans")));
}

TEST(TabModel, ValueElementNotNullCaptionAndTags) {
    TsDesc d = read(fieldRow({{"vInfo", "idCom;NomVendeur"},
                              {"txtInfo", "Prix &amp; remise &lt;HT&gt;"},
                              {"notNull", "True"},
                              {"tag", "svo;rvo"}}));
    EXPECT_EQ(d.FieldName, QStringLiteral("idCom"));
    EXPECT_EQ(d.ValueElement, QStringLiteral("NomVendeur"));
    EXPECT_EQ(d.valueElementName(), QStringLiteral("NomVendeur"));
    EXPECT_EQ(d.Caption, QStringLiteral("Prix & remise <HT>"));
    EXPECT_TRUE(d.NotNull);
    EXPECT_EQ(d.RightsTags, QStringLiteral(";SVO;RVO;"));
    EXPECT_EQ(d.FontColor, 255);
    EXPECT_EQ(d.IdNum, 3);
}

TEST(TabModel, FieldInfoForms) {
    struct Case { const char* fieldInfo; const char* table; const char* name; const char* key; } cases[] = {
        {"", "Energie", "Energie", "Energie"},
        {"ListRubrics", "ListRubrics", "Energie", "Energie"},
        {"listModels", "listModels", "Energie", "Energie"},
        {"Pars;CARBU", "Pars", "Pars", "CARBU"},
        {"InfoCom;idCom;x", "InfoCom", "InfoCom", "idCom;x"},
        {"Genre", "Genre", "Genre", "Energie"},
    };
    for (auto c : cases) {
        TsDesc d = read(fieldRow({{"vInfo", "Energie"}, {"fieldInfo", c.fieldInfo}}));
        EXPECT_EQ(d.ListTable, QString::fromUtf8(c.table)) << c.fieldInfo;
        EXPECT_EQ(d.ListName, QString::fromUtf8(c.name)) << c.fieldInfo;
        EXPECT_EQ(d.ListKey, QString::fromUtf8(c.key)) << c.fieldInfo;
    }
    TsDesc list = read(fieldRow({{"fieldInfo", "LISTRubrics"}}));
    EXPECT_TRUE(list.isEditableList());
}

TEST(TabModel, VisibilityCodes) {
    struct Case { int code; bool rights, visible; } cases[] = {
        {0, false, true}, {1, false, true}, {2, true, true}, {2, false, false}, {3, true, false}, {7, false, true},
    };
    for (auto c : cases) EXPECT_EQ(visibleFor(c.code, c.rights), c.visible) << c.code << c.rights;
}

TEST(TabModel, TagsAndTheirInverse) {
    EXPECT_EQ(controlTag(3, 57), 20057);
    for (int page = 0; page < kPageCount; ++page)
        for (int index : {0, 1, 57, 9999}) {
            const int tag = controlTag(page, index);
            EXPECT_EQ(tagPage(tag), page) << page << " " << index;
            EXPECT_EQ(tagIndex(tag), index) << page << " " << index;
        }
}

TEST(TabModel, HostOfAFieldRow) {
    EXPECT_EQ(fieldHost(3, 1000), FieldHost::PanelCompta);
    EXPECT_EQ(fieldHost(3, 999), FieldHost::Sheet);
    EXPECT_EQ(fieldHost(0, 12), FieldHost::None);
}

TEST(TabModel, FieldsGrowToTheIndex) {
    TsPage p;
    fieldAt(p, 4).FieldName = QStringLiteral("X");
    EXPECT_EQ(p.Fields.size(), 5u);
    fieldAt(p, 1);
    EXPECT_EQ(p.Fields.size(), 5u);
    EXPECT_EQ(p.Fields[4].FieldName, QStringLiteral("X"));
}

TEST(TabModel, PageRowsMatchTheirNumberAsText) {
    PageRow r = readPageRow(fieldRow({{"descInfo", "_TVO"}, {"idNum", "3"}, {"defval", "cVN"},
                                      {"txtInfo", "VN &amp; suivi"}}));
    EXPECT_TRUE(isPageRowFor(r, QStringLiteral("_TVO"), 3));
    EXPECT_FALSE(isPageRowFor(r, QStringLiteral("_TVN"), 3));
    r.IdNum = QStringLiteral("03");
    EXPECT_FALSE(isPageRowFor(r, QStringLiteral("_TVO"), 3));
    EXPECT_EQ(r.Caption, QStringLiteral("VN & suivi"));
    TsPage page;
    describePage(page, r);
    EXPECT_TRUE(page.Described);
    EXPECT_EQ(page.NamePrefix, QStringLiteral("cVN"));
}

TEST(TabModel, DerivedValues) {
    const QDate today(2026, 3, 9);
    struct Case {
        int control, data;
        bool useDefault;
        const char* defval;
        const char* text;
        const char* value;
        const char* loaded;
    } cases[] = {
        {109, 5, false, "", "1 234.5", "1234.50", "1234.50"},
        {109, 5, false, "", "abc", "0.00", "0.00"},
        {109, 5, false, "", "", "0.00", "0.00"},
        {109, 5, false, "", "-0.001", "0.00", "0.00"},
        {109, 4, false, "", " 12 000 ", "12000", "12000"},
        {109, 1, true, "now", "", "09/03/2026", ""},
        {109, 2, true, "now", "", "now", ""},
        {109, 1, false, "now", "now", "09/03/2026", "09/03/2026"},
        {109, 2, false, "", "a &amp;lt; b&cr;c", "a < b\r\nc", "a < b\r\nc"},
        {111, 2, false, "", "a &amp; b", "a &amp; b", "a &amp; b"},
        {111, 3, true, "True", "False", "True", ""},
    };
    for (const auto& c : cases) {
        TsDesc d;
        d.ControlType = c.control;
        d.DataType = c.data;
        d.DefaultValue = QString::fromUtf8(c.defval);
        loadValue(d, {c.useDefault, QString::fromUtf8(c.text), today});
        EXPECT_EQ(d.CurrentValue, QString::fromUtf8(c.value)) << c.text;
        EXPECT_EQ(d.LoadedValue, QString::fromUtf8(c.loaded)) << c.text;
    }
    EXPECT_TRUE(takesDefaults(8, false, true));
    EXPECT_FALSE(takesDefaults(7, false, true));
    EXPECT_TRUE(takesDefaults(2, true, false));
}

TEST(TabModel, SiteRule) {
    struct Case { const char* user; const char* site; bool isNew, allowed; } cases[] = {
        {"#", "LYON", false, true},      {"paris;lyon", "Lyon", false, true},
        {"PARIS", "LYON", false, false}, {"PARIS", "LYON", true, true},
        {"PARIS", "", false, false},     {"", "", true, true},
    };
    for (auto c : cases)
        EXPECT_EQ(UserRights::siteAllowed(QString::fromUtf8(c.user), QString::fromUtf8(c.site), c.isNew),
                  c.allowed)
            << c.user << " " << c.site;
}

TEST(TabModel, RightsFromGroups) {
    UserRights r;
    r.setGroups({QStringLiteral("user_svo"), QStringLiteral("Compta"), QStringLiteral("SuperAdmins")});
    EXPECT_EQ(r.groups(), (QStringList{"SVO", "COMPTA", "SUPERADMINS"}));
    r.computeFlags(QStringLiteral("PARIS"), QStringLiteral("paris"), false);
    EXPECT_TRUE(r.SiteAllowed);
    EXPECT_TRUE(r.RightCompta);
    EXPECT_TRUE(r.RightSuperAdmin);
    EXPECT_FALSE(r.RightProfid);
    EXPECT_TRUE(r.GetDataRights(QStringLiteral(";SVO;RVO;")));
    EXPECT_FALSE(r.GetDataRights(QStringLiteral(";RVO;")));
    EXPECT_FALSE(r.GetDataRights(QStringLiteral(";;")));

    // Another site: no rights at all, not even super-administrator, unless a new record.
    r.computeFlags(QStringLiteral("PARIS"), QStringLiteral("LYON"), false);
    EXPECT_FALSE(r.RightSuperAdmin);
    EXPECT_FALSE(r.GetDataRights(QStringLiteral(";SVO;")));
    r.computeFlags(QStringLiteral("PARIS"), QStringLiteral("LYON"), true);
    EXPECT_TRUE(r.RightSuperAdmin);

    // An empty tag is editable only by a group whose name is empty.
    UserRights blank;
    blank.setGroups({QStringLiteral("USER_")});
    blank.computeFlags(QStringLiteral("#"), QString(), false);
    EXPECT_TRUE(blank.GetDataRights(QStringLiteral(";;")));
}

TEST(TabModel, ProfidRightFollowsMembership) {
    UserRights member;
    member.setGroups({QStringLiteral("USER_PROFID")});
    member.computeFlags(QStringLiteral("#"), QStringLiteral("LYON"), false);
    EXPECT_TRUE(member.RightProfid);
    EXPECT_TRUE(member.GetDataRights(QStringLiteral(";PROFID;")));
    // The exception answers with the flag for a stored record ...
    member.RightProfid = false;
    EXPECT_FALSE(member.GetDataRights(QStringLiteral(";PROFID;SVO;")));
    // ... but not for a new one.
    member.FlagNewEnreg = true;
    EXPECT_TRUE(member.GetDataRights(QStringLiteral(";PROFID;")));

    UserRights other;
    other.setGroups({QStringLiteral("SVO")});
    other.computeFlags(QStringLiteral("#"), QStringLiteral("LYON"), false);
    EXPECT_FALSE(other.RightProfid);
}

TEST(TabModel, DateOptions) {
    DateOptions o;
    o.read(QStringLiteral("01/01/2026"), QStringLiteral("15/02/2026"), QString(), QStringLiteral("09/03/2026"));
    EXPECT_EQ(o.LimiteDateDeb, QDate(2026, 1, 1));
    EXPECT_EQ(o.LimiteDateDebFrevo, QDate(2026, 2, 15));
    EXPECT_FALSE(o.LimiteDateDebProFid.isValid());
    EXPECT_EQ(o.LimiteDateFin, QDate(2026, 3, 9));
    // Read only while LimiteDateDeb is unset.
    o.read(QStringLiteral("01/02/2026"), QString(), QString(), QString());
    EXPECT_EQ(o.LimiteDateDeb, QDate(2026, 1, 1));

    DateOptions late;  // a lower limit after the server's date clears all four
    late.read(QStringLiteral("01/01/2026"), QStringLiteral("10/03/2026"), QString(), QStringLiteral("09/03/2026"));
    EXPECT_FALSE(late.LimiteDateDeb.isValid());
    EXPECT_FALSE(late.LimiteDateDebFrevo.isValid());
    EXPECT_FALSE(late.LimiteDateFin.isValid());
    EXPECT_EQ(late.ServerNow, QDate(2026, 3, 9));

    QStringList trace;
    DateOptions bad;
    bad.read(QStringLiteral("31/02/2026"), QString(), QString(), QStringLiteral("09/03/2026"),
             [&](const QString& l) { trace << l; });
    EXPECT_FALSE(bad.LimiteDateDeb.isValid());
    EXPECT_FALSE(bad.LimiteDateFin.isValid());
    EXPECT_EQ(trace.size(), 1);
}

TEST(TabModel, GetValueTakesTheLastMatch) {
    Pages pages;
    pages[2].Fields.resize(3);
    pages[2].Fields[0].FieldName = QStringLiteral("KMS");
    pages[2].Fields[0].CurrentValue = QStringLiteral("1");
    pages[2].Fields[2].FieldName = QStringLiteral("KMS");
    pages[2].Fields[2].CurrentValue = QStringLiteral("2");
    QString v = QStringLiteral("keep");
    GetValue(pages, 2, QStringLiteral("KMS"), v);
    EXPECT_EQ(v, QStringLiteral("2"));
    v = QStringLiteral("keep");
    GetValue(pages, 2, QStringLiteral("kms"), v);
    GetValue(pages, 12, QStringLiteral("KMS"), v);
    EXPECT_EQ(v, QStringLiteral("keep"));
}
