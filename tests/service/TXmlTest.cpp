#include "service/TXml.h"

#include <gtest/gtest.h>

using namespace stanor::service;

namespace {
TXml Scanner(const char* text)
{
    TXml xml;
    xml.Text = QString::fromLatin1(text);
    return xml;
}
}  // namespace

TEST(TXml, FindMatchesTheStartTagByPrefix)
{
    // A search for Row starts at the Rows element and ends at the first
    // "</Row>": the section holds the Row start tag but not its end tag, so
    // readers must open the outer element by its own name.
    TXml xml = Scanner("<Rows><Row><A>1</A></Row></Rows>");
    xml.Count = 3;
    XmlFind(xml, "Row");
    EXPECT_EQ(xml.Item, "<Row><A>1</A>");
    EXPECT_EQ(xml.Rest(), xml.Item);
    EXPECT_EQ(xml.Count, 0);
    EXPECT_EQ(XmlNext(xml, "Row"), 0);
    XmlFind(xml, "Rows");
    EXPECT_EQ(XmlNext(xml, "Row"), 1);
    EXPECT_EQ(xml.Item, "<A>1</A>");

    // LogItem finds LogItems, and attributes after the name are allowed.
    xml = Scanner("<x/><LogItems n=\"2\"><LogItem>a</LogItem></LogItem>");
    XmlFind(xml, "LogItem");
    EXPECT_EQ(xml.Item, "<LogItem>a");
}

TEST(TXml, FindSkipsTextBeforeTheFirstChildAndGivesEmptySections)
{
    struct Case { const char* text; const char* name; const char* section; } cases[] = {
        {"<S>lead<A>1</A></S>", "S", "<A>1</A>"},
        {"<S>text only</S>", "S", ""},          // no child: the end tag itself is the first "<"
        {"<T>1</T>", "S", ""},                  // missing element
        {"<S", "S", ""},                        // no "<" after the start
        {"<S><A>1</A>", "S", ""},               // no end tag
        {"", "S", ""},
    };
    for (const Case& c : cases) {
        TXml xml = Scanner(c.text);
        xml.Item = "stale";
        XmlFind(xml, c.name);
        EXPECT_EQ(xml.Item, QString::fromLatin1(c.section)) << c.text;
        EXPECT_EQ(xml.Rest(), QString::fromLatin1(c.section)) << c.text;
        EXPECT_EQ(XmlNext(xml, "A") != 0, QString(c.section).contains("<A>")) << c.text;
    }
}

TEST(TXml, NextReadsItemsAndGetLeavesMissingValuesUnchanged)
{
    TXml xml = Scanner("<RS><R><A>1</A></R><R></R></RS>");
    XmlFind(xml, "RS");
    QString a;
    EXPECT_EQ(XmlNext(xml, "R"), 1);
    EXPECT_EQ(xml.Item, "<A>1</A>");
    EXPECT_TRUE(XmlGet(xml, "A", a));
    EXPECT_EQ(a, "1");

    EXPECT_NE(XmlNext(xml, "R"), 0);
    EXPECT_EQ(xml.Item, "");
    EXPECT_FALSE(XmlGet(xml, "A", a));
    EXPECT_EQ(a, "1");  // the previous row's value stays

    EXPECT_EQ(XmlNext(xml, "R"), 0);
    EXPECT_EQ(xml.Item, "");
    EXPECT_EQ(xml.Rest(), "");
}

TEST(TXml, NextNeedsExactTagsAndLeavesStateWhenNothingMatches)
{
    TXml xml = Scanner("<S><R id=\"1\"><A>1</A></R><Rx>2</Rx></S>");
    XmlFind(xml, "S");
    const QString section = xml.Item;
    EXPECT_EQ(XmlNext(xml, "R"), 0);  // an item start tag with attributes is not found
    EXPECT_EQ(XmlNext(xml, "R"), 0);
    EXPECT_EQ(xml.Item, section);
    EXPECT_EQ(xml.Rest(), section);

    // A section opened on one name can be scanned for items of another.
    EXPECT_EQ(XmlNext(xml, "A"), 11);
    EXPECT_EQ(xml.Item, "1");
    EXPECT_EQ(xml.Rest(), "</R><Rx>2</Rx>");
    EXPECT_NE(XmlNext(xml, "Rx"), 0);
    EXPECT_EQ(xml.Item, "2");
}

TEST(TXml, EndTagBeforeStartTagGivesAnEmptyItemAndMovesOn)
{
    TXml xml = Scanner("<S></R><R>x</R></S>");
    XmlFind(xml, "S");
    EXPECT_EQ(XmlNext(xml, "R"), 5);
    EXPECT_EQ(xml.Item, "");
    EXPECT_EQ(xml.Rest(), "<R>x</R>");
    EXPECT_NE(XmlNext(xml, "R"), 0);
    EXPECT_EQ(xml.Item, "x");

    // Same rule in XmlGet: the value is set, to the empty text.
    xml.Item = "</A><A>v</A>";
    QString v = "old";
    EXPECT_TRUE(XmlGet(xml, "A", v));
    EXPECT_EQ(v, "");
}

TEST(TXml, ItemsDoNotReachPastTheSection)
{
    // The section ends at the first end tag of the opened element: items
    // after it are not read, even though the text holds them.
    TXml xml = Scanner("<S><R>1</R></S><R>2</R>");
    XmlFind(xml, "S");
    EXPECT_NE(XmlNext(xml, "R"), 0);
    EXPECT_EQ(XmlNext(xml, "R"), 0);
    EXPECT_EQ(xml.Item, "1");
}

TEST(TXml, GetReadsFromTheOpenedSectionAndKeepsLatin1Text)
{
    TXml xml;
    xml.Text = QString::fromLatin1("<OutParams><NewID>42</NewID><Nom>\xe9t\xe9</Nom></OutParams>");
    XmlFind(xml, "OutParams");
    QString id, name;
    EXPECT_TRUE(XmlGet(xml, "NewID", id));
    EXPECT_TRUE(XmlGet(xml, "Nom", name));
    EXPECT_EQ(id, "42");
    EXPECT_EQ(name, QString::fromUtf8("été"));

    // Appending a second answer to the text does not disturb the open section.
    xml.Text += "<Other/>";
    EXPECT_EQ(xml.Item.left(7), "<NewID>");
    xml.Clear();
    EXPECT_TRUE(xml.Text.isEmpty());
    EXPECT_TRUE(xml.Rest().isEmpty());
}

