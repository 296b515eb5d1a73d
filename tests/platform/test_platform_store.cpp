// The registry file: round trips of every type, errors that name the line,
// read-modify-write that keeps other values, atomic replacement.
#include "platform/MemorySettingsStore.h"
#include "platform/RegFileStore.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace stanor::platform;

namespace {

const QString K = kStanorKey;

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::string errorOf(const QByteArray& text) {
    try {
        RegDocument::parse(text, QStringLiteral("r.reg"));
    } catch (const SettingsError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(RegFileStore, RoundTripsEveryTypeThroughTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/registry.reg"));
    const QString tricky = QStringLiteral("C:\\Temp\\\"quoted\" é € 中");
    const QString multiline = QStringLiteral("line 1\r\nline 2");
    {
        RegFileStore s(path);
        s.writeString(K, QStringLiteral("Path"), tricky);
        s.writeString(K, QStringLiteral("Memo"), multiline);
        s.writeString(K, QStringLiteral("Empty"), QString());
        s.writeDword(K, QStringLiteral("FirstFormHandle"), 0xDEADBEEF);
        StoredValue ex;
        ex.type = ValueType::ExpandString;
        ex.text = QStringLiteral("%WINDIR%\\TEMP et une ligne assez longue pour passer à la ligne suivante");
        s.setValue(K, QStringLiteral("Expand"), ex);
    }
    RegFileStore s(path);  // a fresh object reads the file itself
    EXPECT_EQ(s.readString(K, QStringLiteral("Path")), tricky);
    EXPECT_EQ(s.readString(K, QStringLiteral("memo")), multiline) << "names are not case-sensitive";
    EXPECT_EQ(s.readString(K, QStringLiteral("Empty")), QString());
    EXPECT_TRUE(s.value(K, QStringLiteral("Empty")).has_value());
    EXPECT_EQ(s.readDword(K, QStringLiteral("FirstFormHandle")), 0xDEADBEEFu);
    EXPECT_EQ(s.readString(K, QStringLiteral("Expand")),
              QStringLiteral("%WINDIR%\\TEMP et une ligne assez longue pour passer à la ligne suivante"))
        << "an expand-string reads as it is, unexpanded";
    EXPECT_EQ(s.readString(K, QStringLiteral("Missing")), QString());
    EXPECT_FALSE(s.readDword(K, QStringLiteral("Missing")).has_value());
    EXPECT_FALSE(s.keyExists(QStringLiteral("HKEY_CLASSES_ROOT\\Software\\Other")));

    const QByteArray text = readAll(path);
    EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\Software\\ProjStanor]\n"));
    EXPECT_TRUE(text.contains("\"FirstFormHandle\"=dword:deadbeef\n"));
    EXPECT_TRUE(text.contains("\"Path\"=\"C:\\\\Temp\\\\\\\"quoted\\\" "));
    EXPECT_TRUE(text.contains("\"Expand\"=hex(2):25,00,57,00"));
}

TEST(RegFileStore, ReadingAnotherTypeIsAnError) {
    MemorySettingsStore m;
    QTemporaryDir dir;
    RegFileStore f(dir.filePath(QStringLiteral("r.reg")));
    for (SettingsStore* s : {static_cast<SettingsStore*>(&m), static_cast<SettingsStore*>(&f)}) {
        s->writeDword(K, QStringLiteral("Trace"), 1);
        s->writeString(K, QStringLiteral("Name"), QStringLiteral("x"));
        EXPECT_THROW(s->readString(K, QStringLiteral("Trace")), SettingsError);
        EXPECT_THROW(s->readDword(K, QStringLiteral("Name")), SettingsError);
    }
}

TEST(RegFileStore, WritesKeepEveryOtherValueAndKeyAsFound) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.reg"));
    writeFile(path,
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
              "; a comment\r\n"
              "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
              "\"ProxyEnable\"=dword:00000001\r\n"
              "\"ProxyServer\"=\"proxy:8080\"\r\n"
              "\"Blob\"=hex:01,02,\\\r\n  03,04\r\n"
              "@=\"default\"\r\n"
              "\r\n[hkey_classes_root\\software\\projstanor]\r\n"
              "\"idTVO\"=\"12\"\r\n");
    RegFileStore s(path);
    s.writeString(K, QStringLiteral("IDTVO"), QStringLiteral("123"));
    s.writeString(K, QStringLiteral("idClient"), QString());
    s.removeValue(kInternetSettingsKey, QStringLiteral("ProxyServer"));

    const RegDocument doc = RegFileStore(path).load();
    ASSERT_EQ(doc.keys().size(), 2u) << "the key is found whatever the case of its name";
    EXPECT_EQ(doc.keys()[1].name, QStringLiteral("hkey_classes_root\\software\\projstanor")) << "spelling kept";
    EXPECT_EQ(s.readString(K, QStringLiteral("idTVO")), QStringLiteral("123"));
    EXPECT_EQ(doc.keys()[1].values[0].name, QStringLiteral("idTVO"));
    EXPECT_EQ(s.readDword(kInternetSettingsKey, QStringLiteral("ProxyEnable")), 1u);
    EXPECT_FALSE(s.value(kInternetSettingsKey, QStringLiteral("ProxyServer")).has_value());
    EXPECT_EQ(s.readString(kInternetSettingsKey, QString()), QStringLiteral("default"));
    const auto blob = s.value(kInternetSettingsKey, QStringLiteral("Blob"));
    ASSERT_TRUE(blob.has_value());
    EXPECT_EQ(blob->type, ValueType::Other);
    EXPECT_TRUE(readAll(path).contains("\"Blob\"=hex:01,02,03,04\n")) << "a type the program never reads survives";
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".lock")));
}

TEST(RegFileStore, CommentsWrittenByPeopleSurviveTheProgramsWrites) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.reg"));
    writeFile(path,
              "Windows Registry Editor Version 5.00\n\n"
              "; Demo settings of the north site\n"
              "[HKEY_CLASSES_ROOT\\Software\\ProjStanor]\n"
              ";   the service of the north site\n"
              "\"BaseHRef\"=\"http://127.0.0.1:8080/\"\n"
              "; trace only when support asks\n"
              "\"Trace\"=\"0\"\n"
              "\"idTVO\"=\"1\"\n"
              "; end of file\n");
    RegFileStore s(path);
    s.writeString(K, QStringLiteral("idTVO"), QStringLiteral("4"));
    s.writeString(K, QStringLiteral("idClient"), QStringLiteral("7"));
    s.removeValue(K, QStringLiteral("Trace"));  // a value removed takes its own comment along
    EXPECT_EQ(readAll(path),
              "Windows Registry Editor Version 5.00\n\n"
              "; Demo settings of the north site\n"
              "[HKEY_CLASSES_ROOT\\Software\\ProjStanor]\n"
              ";   the service of the north site\n"
              "\"BaseHRef\"=\"http://127.0.0.1:8080/\"\n"
              "\"idTVO\"=\"4\"\n"
              "\"idClient\"=\"7\"\n"
              "\n; end of file\n");
}

TEST(RegFileStore, ReadsRegistryEditorExportsInUtf16) {
    QString text = QStringLiteral(
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\Software\\ProjStanor]\r\n"
        "\"UserSite\"=\"NORD;SUD\"\r\n\"Note\"=hex(1):e9,00,00,00\r\n");
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const RegDocument doc = RegDocument::parse(bytes, QStringLiteral("export.reg"));
    ASSERT_NE(doc.find(K, QStringLiteral("UserSite")), nullptr);
    EXPECT_EQ(doc.find(K, QStringLiteral("UserSite"))->text, QStringLiteral("NORD;SUD"));
    EXPECT_EQ(doc.find(K, QStringLiteral("Note"))->text, QStringLiteral("é"));
    EXPECT_TRUE(RegDocument::parse(QByteArray(), QStringLiteral("e.reg")).keys().empty());
    EXPECT_TRUE(RegDocument::parse("REGEDIT4\n", QStringLiteral("e.reg")).keys().empty());
}

TEST(RegFileStore, MalformedFileNamesTheLineOfTheFault) {
    const QByteArray head = "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\Software\\ProjStanor]\n";
    struct Case {
        QByteArray text;
        const char* expected;
    } cases[] = {
        {"Trace=1\n", "r.reg, ligne 1 : en-tête"},
        {"Windows Registry Editor Version 5.00\n\"Trace\"=\"1\"\n", "ligne 2 : valeur placée avant toute clé"},
        {head + "\"Trace\"=\"1\n", "ligne 4 : guillemet fermant manquant"},
        {head + "\"Trace\"=dword:xyz\n", "ligne 4 : valeur dword invalide"},
        {head + "\"Trace\"=dword:123456789\n", "ligne 4 : valeur dword invalide"},
        {head + "\"Trace\"\n", "ligne 4 : signe = manquant"},
        {head + "\"Trace\"=\"1\" extra\n", "ligne 4 : texte inattendu"},
        {head + "\"Trace\"=-\n", "ligne 4 : la suppression d'une valeur"},
        {head + "[-HKEY_CLASSES_ROOT\\Software\\ProjStanor]\n", "ligne 4 : la suppression d'une clé"},
        {head + "[HKEY_CLASSES_ROOT\\Software\n", "ligne 4 : crochet fermant manquant"},
        {head + "\"B\"=hex:01,zz\n", "ligne 4 : octet hexadécimal invalide"},
        {head + "\"B\"=hex:01,\\", "ligne 4 : suite de la valeur hexadécimale manquante"},
        {head + "\"B\"=text\n", "ligne 4 : valeur invalide"},
        {head + "garbage\n", "ligne 4 : ligne incomprise"},
    };
    for (const Case& c : cases) {
        const std::string err = errorOf(c.text);
        EXPECT_NE(err.find(c.expected), std::string::npos) << err << "\n  for: " << c.text.constData();
    }
}

TEST(RegFileStore, FaultsOfTheFileAreErrorsAndLoseNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.reg"));
    const QByteArray bad = "Windows Registry Editor Version 5.00\n[K]\n\"A\"=dword:zz\n";
    writeFile(path, bad);
    RegFileStore s(path);
    EXPECT_THROW(s.readString(K, QStringLiteral("A")), SettingsError);
    EXPECT_THROW(s.writeString(K, QStringLiteral("B"), QStringLiteral("x")), SettingsError);
    EXPECT_EQ(readAll(path), bad) << "a malformed store is never overwritten";

    // Read-only: reads work, writes fail, the file is untouched.
    RegFileStore ok(dir.filePath(QStringLiteral("ro.reg")));
    ok.writeString(K, QStringLiteral("A"), QStringLiteral("1"));
    const QByteArray before = readAll(ok.path());
    QFile::setPermissions(ok.path(), QFileDevice::ReadOwner | QFileDevice::ReadUser);
    EXPECT_EQ(ok.readString(K, QStringLiteral("A")), QStringLiteral("1"));
    EXPECT_THROW(ok.writeString(K, QStringLiteral("B"), QStringLiteral("2")), SettingsError);
    EXPECT_NO_THROW(ok.createKey(K)) << "opening an existing key needs no write";
    EXPECT_EQ(readAll(ok.path()), before);

    // A folder in place of the file cannot be read.
    RegFileStore folder(dir.path());
    EXPECT_THROW(folder.readString(K, QStringLiteral("A")), SettingsError);
}

// A writer killed at any moment leaves either the old or the new file, whole.
TEST(RegFileStore, AWriterKilledMidWriteLeavesAWholeFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.reg"));
    RegFileStore s(path);
    s.writeString(K, QStringLiteral("Keep"), QStringLiteral("kept value"));
    for (int round = 0; round < 5; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(PLATFORM_HELPER), {QStringLiteral("write-store"), path});
        ASSERT_TRUE(writer.waitForStarted());
        // Wait until it has written a few times, then kill it without warning.
        QByteArray out;
        while (out.count('\n') < 3 + round * 7 && writer.waitForReadyRead(10000)) out += writer.readAll();
        writer.kill();
        writer.waitForFinished();
        RegFileStore check(path);
        EXPECT_EQ(check.readString(K, QStringLiteral("Keep")), QStringLiteral("kept value")) << "round " << round;
        EXPECT_FALSE(check.readString(K, QStringLiteral("Counter")).isEmpty());
    }
}
