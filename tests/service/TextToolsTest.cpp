#include "service/TextTools.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace stanor::service;

TEST(DecodeXmlText, ReplacesInOrderWithOrWithoutLineBreaks)
{
    struct Case { const char* in; const char* full; const char* keepCr; } cases[] = {
        {"a &amp; b", "a & b", "a & b"},
        {"&lt;b&gt;", "<b>", "<b>"},
        {"&amp;lt;", "<", "<"},                      // escaped twice decodes all the way
        {"l1&cr;l2", "l1\r\nl2", "l1&cr;l2"},
        {"&amp;cr;", "\r\n", "&cr;"},
        {"&quot;&#233;", "&quot;&#233;", "&quot;&#233;"},  // nothing else is decoded
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeXmlText(c.in), QString(c.full)) << c.in;
        EXPECT_EQ(DecodeXmlText(c.in, CrDecoding::Keep), QString(c.keepCr)) << c.in;
    }
}

TEST(AnsiText, TheSystemCodePageHoldsFrenchTypography)
{
    struct Case { const char* text; const char* bytes; const char* beyond; } cases[] = {
        {"Reprise 15 000 €", "Reprise 15 000 \x80", ""},
        {"Œuvre sœur “à” l’été … – —", "\x8Cuvre s\x9Cur \x93\xE0\x94 l\x92\xE9t\xE9 \x85 \x96 \x97", ""},
        {"ÿ µ ¤ «»", "\xFF \xB5 \xA4 \xAB\xBB", ""},
        {"Kraków ā", "Krak\xF3w ?", "ā"},
        {"\xF0\x9F\x9A\x97!", "?!", "\xF0\x9F\x9A\x97"},  // one "?" for a character beyond the first plane
        // A byte the page leaves undefined reads as its C1 control, which is written back as
        // that byte but is no character a user may store.
        {"\xC2\x81", "\x81", "\xC2\x81"},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(ToAnsi(text), QByteArray(c.bytes)) << c.text;
        EXPECT_EQ(FirstBeyondAnsi(text), QString::fromUtf8(c.beyond)) << c.text;
        if (!*c.beyond) EXPECT_EQ(FromAnsi(ToAnsi(text)), text) << c.text;
    }
    EXPECT_EQ(CharacterName(QString::fromUtf8("ā")), QString::fromUtf8("« ā » (U+0101)"));
    EXPECT_EQ(CharacterName(QString::fromUtf8("\xF0\x9F\x9A\x97")), QString::fromUtf8("« \xF0\x9F\x9A\x97 » (U+1F697)"));
    EXPECT_EQ(CharacterName(QString(QChar(0x81))), QStringLiteral("U+0081"));
}

TEST(GetToken, CountsFieldsBySeparators)
{
    struct Case { const char* text; int index; const char* token; } cases[] = {
        {"proxy.local;8080", 1, "proxy.local"},
        {"proxy.local;8080", 2, "8080"},
        {"proxy.local;8080", 3, ""},
        {"proxy.local;8080", 0, ""},
        {"proxy.local;8080", -1, ""},
        {"a;;c", 2, ""},
        {"a;;c", 3, "c"},
        {"", 1, ""},
        {";x", 1, ""},
        {"http=h;3128;https=h2;443", 2, "3128"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetToken(c.text, c.index), QString(c.token)) << c.text << " #" << c.index;
}

TEST(FormatPhoneNumber, GroupsPairsOrReturnsTheInput)
{
    struct Case { const char* in; const char* out; } cases[] = {
        {"0123456789", "01.23.45.67.89"},
        {"123456789", "123.45.67.89"},
        {"12", "12"},
        {"123", "123"},
        {"1", ""},
        {"", ""},
        {"0123 56789", "0123 56789"},   // blank inside a group
        {"01-3456789", "01-3456789"},
        {"01234567ab", "01234567ab"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatPhoneNumber(c.in), QString(c.out)) << c.in;
}

TEST(LoadTextFile, JoinsLinesWithCrLfAndKeepsLatin1Bytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case { QByteArray bytes; QString text; } cases[] = {
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"a\nb", "a\r\nb\r\n"},               // the last line gets its CR LF too
        {"a\rb\r\n\r\n", "a\r\nb\r\n\r\n"},
        {"", ""},
        {QByteArray("\xe9t\xe9\0x", 5), QString::fromLatin1("\xe9t\xe9\0x\r\n", 7)},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath("f.xml");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        EXPECT_EQ(LoadTextFile(path), c.text) << c.bytes.toStdString();
    }
    EXPECT_THROW(LoadTextFile(dir.filePath("missing.xml")), FileError);
}
