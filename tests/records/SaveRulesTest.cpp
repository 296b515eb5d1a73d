// The checks and choices of saving and of the record commands, as plain
// functions: mandatory fields, used-vehicle dates, the site of a new record,
// insert answers, the keys of inserts sent again and the search hits.
#include "records/InsertAttempts.h"
#include "records/SaveRules.h"
#include "records/SearchHits.h"

#include <QHash>
#include <gtest/gtest.h>

using namespace stanor::records;

namespace {

ControlText texts(QHash<QString, QString> values) {
    return [values](const QString& name) { return values.value(name); };
}

const QDate kToday(2026, 1, 15);

}  // namespace

TEST(RecordsSaveRules, MandatoryFieldsOfEachVehicleKind) {
    const QHash<QString, QString> complete = {
        {"cNVO", "1201"},     {"cSite", "NORD"},     {"cInfoMarque", "VW"},        {"cVDNVO", "2101"},
        {"cVDSite", "NORD"},  {"cVDInfoMarque", "VW"}, {"cVNNVO", "3101"},         {"cVNSite", "SUD"},
        {"cVNInfoMarque", "SEAT"}, {"cVNInfoModele", "IBIZA"}, {"cVNInfoTypeVersion", "1.0 TSI"},
    };
    struct Case {
        const char* kind;
        const char* control;  // emptied or set to value
        const char* value;
        const char* fails;    // the control that gets the focus, "" when the save may go on
    } cases[] = {
        {"VO", "cInfoMarque", "VW", ""},
        {"VO", "cNVO", "", "cNVO"},
        {"VO", "cNVO", "0", "cNVO"},          // zero is no stock number
        {"VO", "cNVO", "12a", "cNVO"},
        {"VO", "cNVO", " 1201 ", ""},
        {"VO", "cNVO", "99999999999", "cNVO"},  // beyond a whole number
        {"VO", "cSite", "  ", "cSite"},
        {"VO", "cInfoMarque", "", "cInfoMarque"},
        {"VO", "cVNInfoModele", "", ""},      // the model counts for new vehicles only
        {"VD", "cVDNVO", "", "cVDNVO"},
        {"VD", "cVDInfoMarque", "", "cVDInfoMarque"},
        {"VD", "cNVO", "", ""},               // another kind's controls do not count
        {"VN", "cVNInfoModele", "", "cVNInfoModele"},
        {"VN", "cVNInfoTypeVersion", "", "cVNInfoTypeVersion"},
        {"CL", "cNVO", "", ""},
    };
    for (const Case& c : cases) {
        QHash<QString, QString> v = complete;
        v[QLatin1String(c.control)] = QLatin1String(c.value);
        EXPECT_EQ(MissingVehicleFields(QLatin1String(c.kind), texts(v)).value(0).toStdString(), c.fails)
            << c.kind << " " << c.control << "=" << c.value;
    }
    // Several missing: all of them, the stock number first, then site, make, model, version type.
    EXPECT_EQ(MissingVehicleFields(QStringLiteral("VN"), texts({{"cVNNVO", "1"}})),
              QStringList({"cVNSite", "cVNInfoMarque", "cVNInfoModele", "cVNInfoTypeVersion"}));
}

TEST(RecordsSaveRules, UsedVehicleDates) {
    struct Case {
        const char* ordre;
        const char* destination;
        const char* entree;
        const char* mec;
        const char* fails;
    } cases[] = {
        {"", "", "01/10/2026", "15/03/2019", ""},
        {"05/11/2026", "", "01/10/2026", "15/03/2019", "cDestination"},
        {"__/__/____", "", "01/10/2026", "15/03/2019", ""},  // the empty mask is no date
        {"05/11/2026", "MARCHAND", "01/10/2026", "15/03/2019", ""},
        {"", "", "01/10/2026", "02/10/2026", "cMEC"},
        {"", "", "01/10/2026", "01/10/2026", ""},           // the same day is allowed
        {"", "", "", "02/10/2026", ""},                     // one date alone: nothing to compare
        {"", "", "31/02/2026", "16/01/2026", "cMEC"},       // unreadable entry: today, 15/01/2026
        {"", "", "31/02/2026", "14/01/2026", ""},
        {"", "", "01/01/2026", "xx/yy/zzzz", "cMEC"},       // unreadable registration: today
        {"05/11/2026", "", "01/10/2026", "02/10/2026", "cDestination"},  // the destination first
    };
    for (const Case& c : cases) {
        const QHash<QString, QString> v = {{"cDateOrdre", c.ordre}, {"cDestination", c.destination},
                                           {"cDateEntree", c.entree}, {"cMEC", c.mec}};
        EXPECT_EQ(UsedVehicleDatesFault(texts(v), kToday).toStdString(), c.fails)
            << c.ordre << " " << c.entree << " " << c.mec;
    }
}

TEST(RecordsSaveRules, CustomerChecksFollowTheSheetShown) {
    const QHash<QString, QString> none;
    const QHash<QString, QString> site = {{"aSite", "NORD"}};
    const QHash<QString, QString> all = {{"aSite", "NORD"}, {"aidCom", "2"}, {"aCliNom", "DUPONT"},
                                         {"vInfoMarque", "VW"}};
    struct Case {
        int page;
        bool rows;
        bool creating;
        const QHash<QString, QString>* values;
        const char* fails;  // every control that fails, "," between
    } cases[] = {
        {7, false, false, &none, "aSite,aidCom,aCliNom"}, {7, false, false, &site, "aidCom,aCliNom"},
        {7, false, false, &all, ""},
        {8, true, false, &all, "vInfoModele"}, {8, false, false, &none, ""},  // no vehicle row: nothing to check
        {8, true, false, &none, "vInfoMarque,vInfoModele"}, {9, false, false, &none, ""},
        // A customer being created is checked whole from any sheet.
        {9, false, true, &none, "aSite,aidCom,aCliNom"}, {8, true, true, &site, "aidCom,aCliNom,vInfoMarque,vInfoModele"},
        {9, false, true, &all, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MissingCustomerFields(c.page, c.rows, c.creating, texts(*c.values)).join(u','), c.fails) << c.page;
}

TEST(RecordsSaveRules, EveryMissingFieldIsNamed) {
    const struct {
        QList<MissingField> fields;
        const char* text;
    } cases[] = {
        {{{"aSite", "Site"}}, "le champ « Site » est obligatoire"},
        {{{"cNVO", "N° VO"}}, "le numéro de stock doit être un nombre différent de 0"},
        {{{"aSite", "Site"}, {"aidCom", ""}}, "les champs « Site » et « aidCom » sont obligatoires"},
        {{{"cNVO", "N° VO"}, {"cSite", " Site "}, {"cInfoMarque", "Marque"}},
         "les champs « N° VO » (un nombre différent de 0), « Site » et « Marque » sont obligatoires"},
    };
    for (const auto& c : cases) EXPECT_EQ(MissingFieldsText(c.fields), QString::fromUtf8(c.text));
}

TEST(RecordsSaveRules, AnEmptyActionColumnIsNamedByItsCaption) {
    const struct {
        int line;
        const char* caption;
        const char* text;
    } cases[] = {
        {1, "Commentaire", "la colonne obligatoire « Commentaire » de l'action 1 est vide"},
        {3, "Sujet relance", "la colonne obligatoire « Sujet relance » de l'action 3 est vide"},
        // A caption padded in its description is shown without its blanks.
        {2, " Priorité ", "la colonne obligatoire « Priorité » de l'action 2 est vide"},
        // Nothing to name it by: the line is still told.
        {2, "", "une colonne obligatoire de l'action 2 est vide"},
        {2, "  ", "une colonne obligatoire de l'action 2 est vide"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ActionColumnFaultText(c.line, QString::fromUtf8(c.caption)), QString::fromUtf8(c.text)) << c.caption;
    // Several empty: all named at once.
    EXPECT_EQ(ActionColumnsFaultText(1, {"Type", "Sujet", "Commentaire"}),
              QString::fromUtf8("les colonnes obligatoires « Type », « Sujet » et « Commentaire » de l'action 1 sont vides"));
    EXPECT_EQ(ActionColumnsFaultText(2, {"Sujet"}), QString::fromUtf8("la colonne obligatoire « Sujet » de l'action 2 est vide"));
}

TEST(RecordsSaveRules, SitePreselectedForANewRecord) {
    const QStringList sudNord = {"SUD", "NORD"};
    struct Case {
        QStringList items;
        const char* us1;
        const char* userSite;
        int selected;
    } cases[] = {
        {sudNord, "", "NORD;SUD", 1},      // the item found earliest in the user's sites
        {sudNord, "", "nord;sud", 1},      // any case
        {sudNord, "", "#", -1},            // every site: none chosen
        {sudNord, "", "EST", -1},
        {sudNord, "sud", "NORD;SUD", 0},   // the user's own site wins, any case
        {sudNord, "OUEST", "NORD;SUD", -1},
        {{"", "SUD"}, "", "SUD", 1},       // a blank item matches nothing
        {{}, "", "NORD", -1},
        {{"NORD", "NORD-EST"}, "", "NORD-EST;SUD", 0},  // the first at the earliest place
    };
    for (const Case& c : cases)
        EXPECT_EQ(PreselectSite(c.items, QLatin1String(c.us1), QLatin1String(c.userSite)), c.selected)
            << c.items.join(u',').toStdString() << " / " << c.us1 << " / " << c.userSite;

    struct Kind {
        const char* kind;
        int sheet;
        const char* site;
    } kinds[] = {{"VO", 0, "cSite"}, {"VD", 1, "cVDSite"}, {"VN", 2, "cVNSite"}, {"CL", 6, "aSite"}, {"", -1, ""}};
    for (const Kind& k : kinds) {
        EXPECT_EQ(NewRecordSheet(QLatin1String(k.kind)), k.sheet) << k.kind;
        EXPECT_EQ(SiteControl(QLatin1String(k.kind)).toStdString(), k.site) << k.kind;
    }
}

TEST(RecordsSaveRules, InsertAnswers) {
    struct Case {
        const char* answer;
        const char* newId;
        bool replayed;
    } cases[] = {
        {"<Answer request=\"AxInsert\"><RowsAffected>1</RowsAffected><OutParams><NewID>42</NewID>"
         "<NewIDbis>1042</NewIDbis></OutParams></Answer>",
         "42", false},
        {"<Answer request=\"AxInsert\"><RowsAffected>1</RowsAffected><OutParams><NewID>42</NewID></OutParams>"
         "<Replayed>True</Replayed></Answer>",
         "42", true},
        {"<Answer request=\"AxInsert\"><RowsAffected>1</RowsAffected></Answer>", "", false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        const InsertAnswer a = ReadInsertAnswer(QString::fromLatin1(c.answer));
        EXPECT_EQ(a.NewId.toStdString(), c.newId) << c.answer;
        EXPECT_EQ(a.Replayed, c.replayed) << c.answer;
    }
    const QString record = QStringLiteral("<Answer><User><Name_>M</Name_></User><tVO><idTVO>1</idTVO><idVO>1001</idVO>"
                                          "</tVO></Answer><Answer><TVC><idClient>7</idClient></TVC></Answer>");
    EXPECT_EQ(RecordAnswerValue(record, QStringLiteral("tVO"), QStringLiteral("idVO")), QStringLiteral("1001"));
    EXPECT_EQ(RecordAnswerValue(record, QStringLiteral("TVC"), QStringLiteral("idClient")), QStringLiteral("7"));
    EXPECT_EQ(RecordAnswerValue(record, QStringLiteral("TVC"), QStringLiteral("idVO")), QString());
}

TEST(RecordsInsertAttempts, OneKeyUntilTheInsertIsKnownStored) {
    InsertAttempts a;
    const QStringList names = {"idTVO", "NVO", "KMS"};
    const QString k1 = a.attempt(InsertSlot::Page, 1, "Insert A", names, {"", "1299", ""}).Key;
    EXPECT_EQ(k1.size(), 32);
    // Sent again, even with another statement: the same key, the first values kept.
    const InsertAttempt& again = a.attempt(InsertSlot::Page, 1, "Insert B", names, {"", "1299", "5"});
    EXPECT_EQ(again.Key, k1);
    EXPECT_EQ(again.FirstStatement, QStringLiteral("Insert A"));
    EXPECT_EQ(again.FirstValues, QStringList({"", "1299", ""}));
    // Other slots and pages have keys of their own.
    EXPECT_NE(a.attempt(InsertSlot::Page, 7, "Insert C", {}, {}).Key, k1);
    EXPECT_NE(a.attempt(InsertSlot::CostLine, 1, "Insert D", {}, {}).Key, k1);
    a.done(InsertSlot::Page, 1);
    EXPECT_EQ(a.find(InsertSlot::Page, 1), nullptr);
    EXPECT_NE(a.attempt(InsertSlot::Page, 1, "Insert A", names, {}).Key, k1);
    EXPECT_NE(a.find(InsertSlot::CostLine, 1), nullptr);
    a.forget();
    EXPECT_FALSE(a.outstanding());
    EXPECT_EQ(InsertAttempts::urlParameter(QStringLiteral("ab")), QStringLiteral("&InsertKey=ab"));
}

TEST(RecordsInsertAttempts, ValuesTypedAfterTheStoredInsert) {
    const QStringList names = {"idTVO", "NVO", "KMS", "Immatriculation"};
    const QStringList stored = {"", "1299", "", ""};
    struct Case {
        QStringList names;
        QStringList now;
        std::vector<int> carried;
    } cases[] = {
        {names, {"", "1299", "", ""}, {}},
        {names, {"", "1299", "12345", "AB123CD"}, {2, 3}},
        {names, {"", "1300", "", ""}, {1}},          // changed after it was sent
        {names, {"", "", "", ""}, {1}},              // emptied after it was sent
        {{"idTVO", "NVO", "KMS"}, {"", "1", "2"}, {}},  // another description: nothing carried
    };
    for (const Case& c : cases) {
        std::vector<int> got;
        for (const CarriedValue& v : ValuesToCarry(names, stored, c.names, c.now)) {
            got.push_back(v.Index);
            EXPECT_EQ(v.FieldName, c.names[v.Index]);
            EXPECT_EQ(v.Value, c.now[v.Index]);
        }
        EXPECT_EQ(got, c.carried) << c.now.join(u'|').toStdString();
    }
}

TEST(RecordsSearchHits, NextAndPreviousFollowTheCurrentRow) {
    SearchHits h;
    EXPECT_FALSE(h.canNext());
    EXPECT_FALSE(h.canPrev());
    h.setHits({"3", "2", "1"}, false);
    struct Step {
        int select;
        bool accepted;
        int current;
        bool next, prev;
    } steps[] = {
        {-1, false, -1, false, false}, {0, true, 0, true, false}, {1, true, 1, true, true},
        {2, true, 2, false, true},     {3, false, 2, false, true},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(h.select(s.select), s.accepted) << s.select;
        EXPECT_EQ(h.current(), s.current) << s.select;
        EXPECT_EQ(h.canNext(), s.next) << s.select;
        EXPECT_EQ(h.canPrev(), s.prev) << s.select;
    }
    EXPECT_EQ(h.nextRow(), -1);
    EXPECT_EQ(h.prevRow(), 1);
    EXPECT_EQ(h.id(1), QStringLiteral("2"));
    EXPECT_EQ(h.id(5), QString());
    // A new search: no row current.
    h.setHits({"7"}, true);
    EXPECT_EQ(h.current(), -1);
    EXPECT_TRUE(h.customers());
    EXPECT_TRUE(h.select(0));
    EXPECT_FALSE(h.canNext());
    EXPECT_FALSE(h.canPrev());
}
