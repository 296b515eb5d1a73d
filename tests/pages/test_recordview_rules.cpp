// Record-kind decisions, answer-file choice and header texts of the record view.
#include "pages/RecordViewRules.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace stanor::pages;

TEST(RecordViewRules, AnswerFilesFollowTheCustomerCaption)
{
    struct Row { const char* caption; bool vehicle; bool customer; };
    const Row rows[] = {
        {"", true, true},      // a vehicle: both answers, the customer one appended
        {"-1", true, true},    // a customer being created: its answer holds the user's rights
        {"42", false, true},   // a stored customer: only its own answer
    };
    for (const Row& r : rows) {
        const AnswerFiles f = chooseAnswerFiles(QString::fromLatin1(r.caption));
        EXPECT_EQ(f.vehicle, r.vehicle) << r.caption;
        EXPECT_EQ(f.customer, r.customer) << r.caption;
    }
}

TEST(RecordViewRules, RecordKindFromTypeStatusAndRunParameter)
{
    struct Row {
        const char* typeVO; const char* statutVD; int idTypeVO; const char* vehicle; const char* customer;
        const char* suffix; const char* element; const char* typeAfter;
    };
    const Row rows[] = {
        {"", "", 1, "12", "", "_TVO", "tVO", "1"},           // no TypeVO, VO asked
        {"1", "", 3, "12", "", "_TVO", "tVO", "1"},
        {"2", "EN SERVICE", 3, "12", "", "_TVD", "tVO", "2"}, // demonstrator
        {"2", "EN SERVICE", 2, "12", "", "_TVN", "tVO", "2"}, // same record asked as VN
        {"2", "", 3, "12", "", "_TVN", "tVO", "2"},           // no status: new vehicle
        {"", "", 2, "X123456789012", "", "_TVN", "tVO", "1234567890"}, // TypeVO from the caption
        {"1", "", 1, "", "7", "_TCL", "TVC", "1"},           // a customer wins
    };
    for (const Row& r : rows) {
        const RecordKind k = decideRecordKind(QString::fromUtf8(r.typeVO), QString::fromUtf8(r.statutVD),
                                              r.idTypeVO, QString::fromUtf8(r.vehicle),
                                              QString::fromUtf8(r.customer));
        EXPECT_EQ(k.kindSuffix, QString::fromLatin1(r.suffix)) << r.typeVO << "/" << r.idTypeVO;
        EXPECT_EQ(k.recordElement, QString::fromLatin1(r.element));
        EXPECT_EQ(k.typeVO, QString::fromLatin1(r.typeAfter));
    }
    EXPECT_EQ(kindCaption(kKindVD), QStringLiteral("VD"));
    EXPECT_EQ(kindCaption(kKindCL), QStringLiteral("CL"));
}

TEST(RecordViewRules, PrintButtonAndHeaderColours)
{
    EXPECT_TRUE(printEnabled("VO", "3"));
    EXPECT_FALSE(printEnabled("VO", ""));
    EXPECT_FALSE(printEnabled("VN", "3"));
    EXPECT_TRUE(printEnabled("CL", ""));
    EXPECT_EQ(headerColours(kKindVD).disabledBack, 7756236);
    EXPECT_EQ(headerColours(kKindVO).disabledBack, 15745088);
    EXPECT_EQ(headerColours(kKindCL).disabledText, -1);
    EXPECT_EQ(headerColours(kKindVN).disabledText, 0);
}

TEST(RecordViewRules, HeaderTextsOfARecordBeingCreated)
{
    // A new record has no mark, version, power or mileage yet: no stray separators.
    const std::tuple<const char*, const char*, const char*> titles[] = {
        {"renault", "CLIO 1.5", "RENAULT - CLIO 1.5"}, {"", "", ""}, {"vw", "", "VW"}, {"", "GOLF", "GOLF"}};
    for (const auto& [mark, version, title] : titles)
        EXPECT_EQ(headerTitle(QString::fromUtf8(mark), QString::fromUtf8(version)), QString::fromUtf8(title)) << title;
    const std::tuple<const char*, const char*, const char*> powers[] = {
        {"5", "84500", "5 cv - 84500 kms"}, {"", "", ""}, {"5", "", "5 cv"}, {"", "0", "0 kms"}, {" ", " ", ""}};
    for (const auto& [cv, kms, text] : powers)
        EXPECT_EQ(headerPowerMileage(QString::fromUtf8(cv), QString::fromUtf8(kms)), QString::fromUtf8(text)) << text;
}

TEST(RecordViewRules, DaysInStock)
{
    const QDate now(2026, 12, 9);
    struct Row { const char* ordre; const char* entree; int days; };
    const Row rows[] = {
        {"15/03/2026", "01/03/2026", 14},   // entry to order
        {"", "29/11/2026", 10},             // entry to the server date
        {"01/03/2026", "15/03/2026", 0},    // order before entry
        {"", "", 0},
        {"15/03/2026", "", 0},              // order alone counts nothing
        {"", "31/02/2026", 0},              // not a date
        {"", "__/__/____", 0},              // the empty mask of a date picker
        {"__/__/____", "29/11/2026", 10},   // no order date yet
        {"", "20/12/2026", 0},              // entry after the server date
    };
    for (const Row& r : rows)
        EXPECT_EQ(daysInStock(QString::fromLatin1(r.ordre), QString::fromLatin1(r.entree), now), r.days)
            << r.ordre << " / " << r.entree;
    EXPECT_EQ(daysInStock("", "29/11/2026", QDate()), 0);
}

TEST(RecordViewRules, EmailFontSizeByLength)
{
    const std::pair<int, int> rows[] = {{0, 12}, {13, 12}, {14, 10}, {19, 10}, {20, 9}, {25, 9},
                                        {26, 8}, {31, 8}, {32, 7}, {80, 7}};
    for (auto [len, size] : rows)
        EXPECT_EQ(emailFontSize(len), size) << len;
}

TEST(RecordViewRules, IdentityLine)
{
    EXPECT_EQ(identityLine("M.", "dupont", "jEAN"), QStringLiteral("M. DUPONT Jean"));
    EXPECT_EQ(identityLine("M.", "", "jean"), QStringLiteral("M.  Jean"));
    EXPECT_EQ(identityLine("", "", "jean"), QStringLiteral("Jean"));
    EXPECT_EQ(identityLine("", "Éloi", ""), QStringLiteral("ÉLOI "));
    EXPECT_EQ(identityLine("", "dupont", ""), QStringLiteral("DUPONT "));
}

TEST(RecordViewRules, HintsFollowVehicleOrCustomer)
{
    const QString hint = QStringLiteral("rechargement des informations du véhicule");
    EXPECT_EQ(adaptHint(hint, true), QStringLiteral("rechargement des informations du client"));
    EXPECT_EQ(adaptHint(adaptHint(hint, true), false), hint);
    // Only a hint holding the word as written is changed, then every case of it.
    EXPECT_EQ(adaptHint(QStringLiteral("Véhicule suivant"), true), QStringLiteral("Véhicule suivant"));
    EXPECT_EQ(adaptHint(QStringLiteral("Véhicule ou véhicule"), true), QStringLiteral("client ou client"));
}

TEST(RecordViewRules, CommandsByKindAndRights)
{
    auto v = commandVisibility(kKindVD, false, false, false, true);
    EXPECT_FALSE(v.newRecord);
    EXPECT_FALSE(v.remove);
    EXPECT_TRUE(v.options);
    v = commandVisibility(kKindVN, true, true, false, false);
    EXPECT_TRUE(v.sweep);
    EXPECT_TRUE(v.remove);
    EXPECT_TRUE(v.accounting);
    v = commandVisibility(kKindVO, true, false, false, false);
    EXPECT_FALSE(v.sweep);
    EXPECT_FALSE(v.options);
    v = commandVisibility(kKindCL, false, false, true, true);
    EXPECT_TRUE(v.remove);
    EXPECT_TRUE(v.textMessage);
    // An accounting user without the customers' group deletes no customer.
    EXPECT_FALSE(commandVisibility(kKindCL, false, true, false, false).remove);
    EXPECT_TRUE(isTestUser(kTestUserId, ""));
    EXPECT_TRUE(isTestUser("3", "Paul Testeur"));
    EXPECT_FALSE(isTestUser("3", "Paul Martin"));
}

TEST(RecordViewRules, CaptionIdentifiers)
{
    EXPECT_EQ(captionId("12"), 12);
    EXPECT_EQ(captionId("-3"), -3);
    EXPECT_EQ(captionId("abc"), 0);
    EXPECT_EQ(captionId(""), 0);
}
