#include "service/HttpRules.h"
#include "service/RequestCatalogue.h"

#include <gtest/gtest.h>

using namespace stanor::service;

TEST(HttpRules, TimeOutMarksLastMatchWins)
{
    struct Case { const char* body; const char* mark; } cases[] = {
        {"<r>ok</r>", ""},
        {"<r><![CDATA[TIMEOUT]]></r>", "TIMEOUT"},
        {"<r><![cdata[timeout]]></r>", "TIMEOUT"},           // the body is upper-cased first
        {"<r>Wait_Timeout</r>", "WAIT_TIMEOUT"},
        {"<r>WAIT_TIMEOUT<![CDATA[TIMEOUT]]></r>", "TIMEOUT"},
        {"<r><![CDATA[WAIT_TIMEOUT]]></r>", "WAIT_TIMEOUT"},
        {"<r>TIMEOUT</r>", ""},                              // a bare word is no mark
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeoutMark(c.body), QString(c.mark)) << c.body;
}

TEST(HttpRules, AddressesAreFinishedAndSentInTheSystemCodePage)
{
    EXPECT_EQ(FinishGetUrl("h/AxQuery?SQL=a b#c+d", ""), "h/AxQuery?SQL=a%20b%23c+d&idClient=");
    EXPECT_EQ(FinishGetUrl("h/x?a=1", "-1"), "h/x?a=1&idClient=-1");
    EXPECT_EQ(EscapeBlanksAndHashes("a  #"), "a%20%20%23");
    struct Case { const char* url; const char* wire; } cases[] = {
        {"x?n='été'&p=1+2%25", "x?n='%E9t%E9'&p=1+2%25"},
        {"x?a=\t\x7f", "x?a=%09%7F"},
        // A "?" of a value never starts a second query part.
        {"x?SQL=select 'Pourquoi ?'&b=??", "x?SQL=select%20'Pourquoi%20%3F'&b=%3F%3F"},
        {"x/y?", "x/y?"},
        {"x/y", "x/y"},
        // The system's code page: "€" and "œ" in the bytes ISO-8859-1 leaves unused.
        {"x?a=é€œ’…", "x?a=%E9%80%9C%92%85"},
        // Beyond it the whole address goes in UTF-8, "é" included, to be refused by name.
        {"x?a=éā", "x?a=%C3%A9%C4%81"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WireUrl(EscapeBlanksAndHashes(QString::fromUtf8(c.url))), QByteArray(c.wire)) << c.url;
}

TEST(HttpRules, AnswersAreNormalisedAndTheirErrorItemsJoined)
{
    EXPECT_EQ(NormalizeDeclaredCharset("encoding=\"ISO-8859-15\" iso-8859-15"),
              "encoding=\"ISO-8859-1\" iso-8859-1");
    struct Case { const char* body; const char* text; } cases[] = {
        {"<r/>", ""},
        {"<LogItems><LogItem>a</LogItem><LogItem>b</LogItem></LogItems>", "a - b - "},
        {"<LogItems></LogItems>", ""},
        {"<LogItems><LogItem attr=\"1\">a</LogItem></LogItems>", ""},  // exact tags only
        {"<LogItems><LogItem>a</LogItem>", ""},                      // truncated answer
    };
    for (const auto& c : cases)
        EXPECT_EQ(LogItemsText(c.body), QString(c.text)) << c.body;
}

TEST(HttpRules, ProxyServerValues)
{
    struct Case { const char* value; bool used; const char* host; int port; } cases[] = {
        {"proxy.local:8080", true, "proxy.local", 8080},
        {"proxy.local", true, "proxy.local", 80},
        {"proxy.local:abc", true, "proxy.local", 80},
        {"http=p1:3128;https=p2:443", true, "http=p1", 3128},  // a per-protocol list is not split
        {"", false, "", 0},
    };
    for (const auto& c : cases) {
        const auto proxy = ParseProxyServer(c.value);
        ASSERT_EQ(proxy.has_value(), c.used) << c.value;
        if (proxy) {
            EXPECT_EQ(proxy->host, QString(c.host)) << c.value;
            EXPECT_EQ(proxy->port, c.port) << c.value;
        }
    }
    EXPECT_EQ(ProxyServerFromEnvironment("http://user:pw@cache.lan:3128/"), "cache.lan:3128");
    EXPECT_EQ(ProxyServerFromEnvironment("cache.lan:3128"), "cache.lan:3128");
    EXPECT_EQ(ProxyServerFromEnvironment(""), "");
}

TEST(RequestCatalogue, EveryRequestWithItsAnswerFile)
{
    const RequestCatalogue c({"http://srv/ax/", "C1", "77", "u9", "/tmp/trace"});
    struct Case { ServiceRequest request; const char* url; const char* file; } cases[] = {
        {c.infoEquip(), "http://srv/ax/AxInfoEquip?XMLC_OutputFormat=XML&UserID=u9&UserConcession=C1", "XmlEquip.xml"},
        {c.infoStruct(), "http://srv/ax/AxInfoStruct?XMLC_OutputFormat=XML&UserID=u9&UserConcession=C1", "XmlStruct.xml"},
        {c.infoVO(), "http://srv/ax/AxInfoVO?XMLC_OutputFormat=XML&idTVO=77&UserID=u9", "XmlVO.xml"},
        {c.infoCL(), "http://srv/ax/AxInfoCL?XMLC_OutputFormat=XML&UserID=u9", "XmlCL.xml"},
        {c.search("S"), "http://srv/ax/AxQuery?XMLC_OutputFormat=XML&UserID=u9&SQL=S&MaxRows=51", "XmlSInf.xml"},
        {c.duplicateCount("S"), "http://srv/ax/AxQuery?XMLC_OutputFormat=XML&UserID=u9&SQL=S", "XmlSDbl.xml"},
        {c.save("U", SaveTarget::Record), "http://srv/ax/AxUpdate?XMLC_OutputFormat=XML&UserID=u9&SQLExecute=U", "XmlAXSQLVO.xml"},
        {c.save("U", SaveTarget::FrevoRows), "http://srv/ax/AxUpdate?XMLC_OutputFormat=XML&UserID=u9&SQLExecute=U", "XmlAXSQLFrevo.xml"},
        {c.save("U", SaveTarget::ActionRows), "http://srv/ax/AxUpdate?XMLC_OutputFormat=XML&UserID=u9&SQLExecute=U", "XmlAXSQLAction.xml"},
        {c.insert("I", SaveTarget::Record), "http://srv/ax/AxInsert?XMLC_OutputFormat=XML&UserID=u9&SQLExecute=I", "XmlAXSQLVO.xml"},
        {c.insert("I", SaveTarget::FrevoRows), "http://srv/ax/AxInsert?XMLC_OutputFormat=XML&UserID=u9&SQLExecute=I", "XmlAXSQLFrevo.xml"},
        {c.remove("D"), "http://srv/ax/AxUpdate?XMLC_OutputFormat=XML&UserID=u9&SQLExecute=D", "XmlAXDelete.xml"},
        {c.listInsert("I"), "http://srv/ax/AxUpdate?XMLC_OutputFormat=XML&UserID=u9&SQLExecute=I", "XmlAXInsert.xml"},
        {c.photoLinkUpdate("U"), "http://srv/ax/AxUpdate?XMLC_OutputFormat=XML&UserID=u9&SQLExecute=U", "XmlAXUpdate.xml"},
        {c.photoUpload(), "http://srv/ax/AxInsert?UserID=u9", "XmlAXInsert.xml"},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(k.request.url, QString(k.url));
        EXPECT_EQ(k.request.answerFile, "/tmp/trace/" + QString(k.file)) << k.url;
    }
    EXPECT_EQ(c.reportUrl("V=1", "FicheVO"), "http://srv/ax/ReportPDF?UserID=u9&rptSelect=V=1&rptName=FicheVO");
}
