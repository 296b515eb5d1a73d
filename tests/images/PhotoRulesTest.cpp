// The rules of a vehicle's photos: names, statements, the record answer, sort keys, the
// settings file and the folder listing.
#include "photos/IniFile.h"
#include "photos/PhotoRules.h"
#include "photos/SortKeys.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace stanor::photos;

namespace {

void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray readText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(PhotoRules, PhotoNamesArePaddedButNeverCut) {
    struct Row {
        const char* idVO;
        int number;
        const char* name;
    } rows[] = {
        {"1234", 3, "V0001234-03"},     {"12345678", 12, "V12345678-12"}, {"1", 1, "V0000001-01"},
        {"1234567", 100, "V1234567-100"}, {"1001", 10, "V0001001-10"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(PhotoName(QString::fromLatin1(r.idVO), r.number), QString::fromLatin1(r.name)) << r.idVO;
}

TEST(PhotoRules, StatementsOfTheLinkAndTheDefault) {
    EXPECT_EQ(PhotoLinkInsert("1234", 3, "V0001234-03", "2026-01-15 10:00:00"),
              "INSERT INTO [tVO - Liens Images] (idImage, idVO, NumImage, NomImage, DateImage) VALUES (:NewID, "
              "1234, 3, 'V0001234-03', '2026-01-15 10:00:00')");
    EXPECT_EQ(DefaultPhotoStatement("1234", "V0001234-03"), "Update tVehicles set NomImage='V0001234-03' where idVO=1234");
    EXPECT_EQ(DefaultPhotoStatement("1234", ""), "Update tVehicles set NomImage=NULL where idVO=1234");
    EXPECT_EQ(PhotoLinkDelete("1234", "V0001234-03"),
              "Delete * From [tVO - Liens Images] where idVO=1234 and NomImage='V0001234-03'");
    // A name typed by hand in the default photo field may hold a quote or an "&": it must
    // neither end the literal nor cut the query string.
    EXPECT_EQ(PhotoLinkDelete("7", "l'auto&co"),
              "Delete * From [tVO - Liens Images] where idVO=7 and NomImage='l''auto%26co'");
    EXPECT_EQ(DefaultPhotoStatement("7", "l'auto"), "Update tVehicles set NomImage='l''auto' where idVO=7");
}

TEST(PhotoRules, TheDefaultAfterADeletionAndTheFirstPhoto) {
    const QStringList three{"V0001001-01", "V0001001-02", "V0001001-03"};
    EXPECT_EQ(DefaultAfterDelete(three, "V0001001-01"), "V0001001-02");
    EXPECT_EQ(DefaultAfterDelete(three, "V0001001-03"), "V0001001-01");
    EXPECT_EQ(DefaultAfterDelete({"V0001001-01"}, "V0001001-01"), "");
    EXPECT_EQ(DefaultAfterDelete({"V0001001-01", "V0001001-01"}, "V0001001-01"), "");  // the same photo twice
    EXPECT_EQ(DefaultAfterDelete({}, "V0001001-01"), "");

    EXPECT_TRUE(BecomesDefault(1, 1));
    EXPECT_TRUE(BecomesDefault(1, 2));   // earlier attempts used number 1: still the vehicle's only photo
    EXPECT_TRUE(BecomesDefault(3, 1));   // number 1 beside photos without a number
    EXPECT_FALSE(BecomesDefault(2, 2));
}

TEST(PhotoRules, TheRecordAnswerGivesTheDefaultThePhotosAndTheHighestNumber) {
    const QString answer = QStringLiteral(
        "<AxInfoVO><User><NomImage>pas-celle-ci</NomImage></User>"
        "<tVO><idVO>1001</idVO><NomImage>V0001001-02</NomImage></tVO>"
        "<FrevoS></FrevoS><ImageS>"
        "<Image><NomImage>V0001001-02</NomImage><NumImage>2</NumImage><DateImage>02/10/2026 10:16:30</DateImage></Image>"
        "<Image><NomImage>V0001001-07</NomImage><NumImage>7</NumImage><DateImage></DateImage></Image>"
        "<Image><NomImage>ancienne&amp;photo</NomImage><NumImage>x</NumImage><DateImage>01/01/2020</DateImage></Image>"
        "</ImageS></AxInfoVO>");
    const LinkedPhotos l = ReadLinkedPhotos(answer, "tVO");
    EXPECT_EQ(l.defaultName, "V0001001-02");
    EXPECT_EQ(l.idVO, "1001");
    ASSERT_EQ(l.photos.size(), 3);
    EXPECT_EQ(l.photos[0].date, "02/10/2026 10:16:30");
    EXPECT_EQ(l.photos[2].name, "ancienne&photo");
    EXPECT_EQ(l.photos[2].number, 0);
    EXPECT_EQ(l.lastNumber, 7);
    // Every date of the lists in one form, a link's as answered or as stored.
    const std::pair<const char*, const char*> dates[] = {
        {"02/10/2026 10:16:30", "02/10/26 10:16:30"}, {"2026-10-02 10:16:30", "02/10/26 10:16:30"},
        {"01/01/2020", "01/01/20 00:00:00"}, {"", ""}, {"hier", "hier"}};
    for (const auto& [stored, shown] : dates) EXPECT_EQ(ShownLinkDate(QString::fromUtf8(stored)), shown) << stored;

    // A customer answer, an answer without photos, an empty one.
    for (const QString& other : {QStringLiteral("<AxInfoCL><TVC><idClient>4</idClient></TVC></AxInfoCL>"),
                                 QStringLiteral("<AxInfoVO><tVO><NomImage></NomImage></tVO><ImageS></ImageS></AxInfoVO>"),
                                 QString()}) {
        const LinkedPhotos none = ReadLinkedPhotos(other, "tVO");
        EXPECT_TRUE(none.photos.isEmpty()) << other.toStdString();
        EXPECT_EQ(none.lastNumber, 0);
        EXPECT_EQ(none.defaultName, "");
    }
}

TEST(SortKeys, EachColumnTypeComparesByValueAndFallsBackToText) {
    struct Row {
        ColumnType type;
        const char *a, *b;
        int expected;  // sign of compare(a, b)
    } rows[] = {
        {ColumnType::Text, "B", "a", -1},  // ordinal, case-sensitive
        {ColumnType::Text, "V0001001-10", "V0001001-9", -1},
        {ColumnType::Integer, "10", "9", 1},
        {ColumnType::Integer, "-3", "2", -1},
        {ColumnType::Integer, " 7", "7", 0},
        {ColumnType::Integer, "abc", "10", 1},  // no number: as texts
        {ColumnType::Integer, "99999999999", "2", 1},
        {ColumnType::Decimal, "2.5", "10.25", -1},
        {ColumnType::Decimal, "1e3", "999.9", 1},
        {ColumnType::Decimal, "2,5", "10", 1},  // "," is no decimal point here: as texts
        {ColumnType::Date, "05/11/2026", "31/12/2025", 1},
        {ColumnType::Date, "5/1/26", "31/12/25", 1},
        {ColumnType::Date, "01/01/75", "01/01/80", 1},  // 2075 and 1980 seen from 2026
        {ColumnType::Date, "31/02/2026", "01/01/2000", 1},  // no such day: as texts
        {ColumnType::Time, "9:05", "10:00", -1},
        {ColumnType::Time, "23:59:59", "23:59", 1},
        {ColumnType::DateTime, "01/03/25 10:00:00", "09/12/26 14:43:32", -1},
        {ColumnType::DateTime, "09/12/26 14:43:32", "09/12/26 9:00:00", 1},
        {ColumnType::DateTime, "02/10/2026", "02/10/2026 00:00:01", -1},
        {ColumnType::DateTime, "02/10/2026 25:00", "01/10/2026 10:00", 1},  // no such hour: as texts
    };
    for (const Row& r : rows) {
        const int got = compareAs(r.type, r.a, r.b, 2026);
        EXPECT_EQ((got > 0) - (got < 0), r.expected) << int(r.type) << " " << r.a << " / " << r.b;
        const int back = compareAs(r.type, r.b, r.a, 2026);
        EXPECT_EQ((back > 0) - (back < 0), -r.expected) << int(r.type) << " " << r.b << " / " << r.a;
    }
    EXPECT_EQ(columnTypeOf(7), ColumnType::Text);
    EXPECT_EQ(columnTypeOf(-1), ColumnType::Text);
}

TEST(PhotoSettingsFile, OneValueWrittenTheRestOfTheFileKept) {
    QTemporaryDir dir;
    const QString file = PhotoSettingsFile(dir.path() + QStringLiteral("/trace"));  // a folder not made yet
    EXPECT_EQ(file, dir.path() + QStringLiteral("/trace/TAxStanor.ini"));
    EXPECT_EQ(IniRead(file, "Options", "PathImages", "rien"), "rien");

    ASSERT_TRUE(IniWrite(file, "Options", "PathImages", "/photos/a b=c"));
    EXPECT_EQ(IniRead(file, "options", "pathimages"), "/photos/a b=c");

    writeText(file, "; réglages\r\n[Fenetre]\r\nPathImages=ailleurs\r\n\r\n[Options]\r\nAutre=1\r\npathimages=/old\r\n"
                    "Fin=2\r\n[Dernier]\r\nX=3\r\n");
    ASSERT_TRUE(IniWrite(file, "Options", "PathImages", "/new"));
    EXPECT_EQ(readText(file), "; réglages\r\n[Fenetre]\r\nPathImages=ailleurs\r\n\r\n[Options]\r\nAutre=1\r\nPathImages=/new\r\n"
                              "Fin=2\r\n[Dernier]\r\nX=3\r\n");
    // A key missing from its section goes after the section's last value, not after the next header.
    writeText(file, "[Options]\nAutre=1\n\n[Dernier]\nX=3\n");
    ASSERT_TRUE(IniWrite(file, "Options", "PathImages", "/p"));
    EXPECT_EQ(readText(file), "[Options]\r\nAutre=1\r\nPathImages=/p\r\n\r\n[Dernier]\r\nX=3\r\n");
    EXPECT_EQ(IniRead(file, "Dernier", "PathImages", "-"), "-");

    // A value with a line break would add a line of its own.
    ASSERT_TRUE(IniWrite(file, "Options", "PathImages", "/p\n[Piège]"));
    EXPECT_EQ(IniRead(file, "Options", "PathImages"), "/p");
    EXPECT_FALSE(readText(file).contains("Piège"));
}

TEST(PhotoFolder, OnlyJpegFilesAreListedNeverFolders) {
    QTemporaryDir dir;
    for (const char* name : {"a.jpg", "B.JPG", "c.jpeg", "d.png", ".cachee.jpg", "jpg", "e.jpg.txt"})
        writeText(dir.filePath(QString::fromLatin1(name)), "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("dossier.jpg"));
    QStringList names;
    for (const SourcePhoto& p : JpegFilesIn(dir.path())) names << p.name;
    names.sort();
    EXPECT_EQ(names, (QStringList{".cachee.jpg", "B.JPG", "a.jpg", "c.jpeg"}));

    EXPECT_TRUE(JpegFilesIn(dir.filePath("absent")).isEmpty());
    EXPECT_TRUE(JpegFilesIn("").isEmpty());  // no folder chosen: not the current folder
    EXPECT_TRUE(JpegFilesIn(dir.filePath("a.jpg")).isEmpty());
}
