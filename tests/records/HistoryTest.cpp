// A colleague's change as the service answers it, and a record's history made
// readable: captions from the tab descriptions, lines named, filters.
#include "records/RecordHistory.h"
#include "records/UpdateConflict.h"

#include <gtest/gtest.h>

using namespace stanor::records;

TEST(RecordsConflict, AnswerReadAndQuestionAsked) {
    const ConflictAnswer none = ReadConflictAnswer(QStringLiteral("<Answer><RowsAffected>0</RowsAffected></Answer>"));
    EXPECT_FALSE(none.Present);
    const ConflictAnswer gone = ReadConflictAnswer(
        QStringLiteral("<Answer><Conflict><Deleted>True</Deleted><ConflictFieldS></ConflictFieldS></Conflict></Answer>"));
    EXPECT_TRUE(gone.Present && gone.Deleted);
    const ConflictAnswer c = ReadConflictAnswer(QStringLiteral(
        "<Answer><LogItems><LogItem>x</LogItem></LogItems><Conflict><Deleted>False</Deleted><ConflictFieldS>"
        "<ConflictField><Column>PrixVente</Column><Value>7777.00</Value><UserID>2</UserID>"
        "<UserName>Paul Durand</UserName><When>2026-12-09T12:00:00Z</When></ConflictField>"
        "<ConflictField><Column>Commentaires</Column><Value>a&amp;b&cr;c</Value><UserID></UserID><UserName></UserName><When></When>"
        "</ConflictField></ConflictFieldS></Conflict><RowsAffected>0</RowsAffected></Answer>"));
    ASSERT_EQ(c.Fields.size(), 2u);
    ASSERT_NE(c.field(QStringLiteral("prixvente")), nullptr);
    EXPECT_EQ(c.Fields[1].Value, QStringLiteral("a&b\r\nc"));  // decoded as a loaded value is
    EXPECT_EQ(c.Fields[0].When, QDateTime(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC));
    const QString q = ConflictQuestion(QStringLiteral("Prix vente"), c.Fields[0], QStringLiteral("8888"));
    for (const char* part : {"« Prix vente »", "Paul Durand", "7777.00", "8888"})
        EXPECT_TRUE(q.contains(QString::fromUtf8(part))) << part << " / " << q.toStdString();
    // Nobody's change on record, and an empty value: said as such.
    const QString unknown = ConflictQuestion(QStringLiteral("Commentaires"), c.Fields[1], QString());
    EXPECT_TRUE(unknown.contains(QStringLiteral("un autre utilisateur"))) << unknown.toStdString();
    EXPECT_TRUE(unknown.contains(QStringLiteral("(vide)"))) << unknown.toStdString();
}

TEST(RecordsHistory, CaptionsOfFieldsAndLinesAndFilters) {
    stanor::pages::Pages pages;
    stanor::pages::TsDesc kms, amount;
    kms.FieldName = QStringLiteral("KMS");
    kms.Caption = QStringLiteral("Kms");
    amount.FieldName = QStringLiteral("MontantHT");
    amount.Caption = QStringLiteral("Montant HT");
    pages[1].Fields = {kms};
    pages[5].Fields = {amount};
    std::vector<HistoryLine> lines = ReadHistoryAnswer(QStringLiteral(
        "<Answer><HistoryS>"
        "<History><When>2026-12-09T12:00:00Z</When><UserID>2</UserID><UserName>Paul Durand</UserName>"
        "<TableName>tVO - Frevo</TableName><KeyValue>12</KeyValue><Column>MontantHT</Column>"
        "<OldValue>95.50</OldValue><NewValue>100.00</NewValue></History>"
        "<History><When>2026-12-09T11:00:00Z</When><UserID>1</UserID><UserName>Martin Admin</UserName>"
        "<TableName>tVehicles</TableName><KeyValue>1</KeyValue><Column>kms</Column>"
        "<OldValue>84500</OldValue><NewValue>90000</NewValue></History>"
        "<History><When>2026-12-09T10:00:00Z</When><UserID>1</UserID><UserName>Martin Admin</UserName>"
        "<TableName>tVehicles</TableName><KeyValue>1</KeyValue><Column>Chassis</Column>"
        "<OldValue></OldValue><NewValue>VF1</NewValue></History></HistoryS></Answer>"));
    CaptionHistory(lines, pages, QStringLiteral("tVehicles"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Caption, QStringLiteral("Montant HT (frais 12)"));
    EXPECT_EQ(lines[1].Caption, QStringLiteral("Kms"));
    EXPECT_EQ(lines[2].Caption, QStringLiteral("Chassis"));  // no description: its name
    EXPECT_EQ(HistoryUsers(lines), (QStringList{QStringLiteral("Martin Admin"), QStringLiteral("Paul Durand")}));
    EXPECT_EQ(FilterHistory(lines, {}, QStringLiteral("Martin Admin")).size(), 2u);
    EXPECT_EQ(FilterHistory(lines, QStringLiteral("Kms"), QStringLiteral("Paul Durand")).size(), 0u);
}
