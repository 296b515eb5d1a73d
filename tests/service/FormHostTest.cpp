// The main form as the host of the data-service requests: its status labels,
// its proxy set-up and the cached start-up requests of two successive runs.
#include "app/TAxStanor.h"

#include "TestServer.h"
#include "platform/MemorySettingsStore.h"
#include "service/DataServiceClient.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace stanor;
using platform::kInternetSettingsKey;
using platform::kStanorKey;
using service::test::TestServer;

namespace {

class FormHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        env.vars["Windir"] = tmp.filePath("Windows");
        traceDir = tmp.filePath("trace");
        QDir().mkpath(traceDir);
        set("TraceRepTemp", traceDir);
        set("BaseHRef", server.base());
        set("UserConcession", "C7");
        set("idTVO", "");
        set("idClient", "");
        server.answers({"<axStructS/>"});
    }
    void set(const char* name, const QString& value)
    {
        store.writeString(kStanorKey, QString::fromLatin1(name), value);
    }
    // One run of the program: a new form, whose first tick after the
    // parameters runs the start-up sequence. Returns the addresses it sent.
    std::vector<std::string> start()
    {
        const size_t before = server.seen().size();
        form = std::make_unique<app::TAxStanor>(app::AppContext{store, clock, dialogs, keyboard, env, false});
        form->Timer1Timer();
        std::vector<std::string> sent;
        for (size_t i = before; i < server.seen().size(); ++i)
            sent.push_back(server.seen()[i].target.substr(0, server.seen()[i].target.find('?')));
        return sent;
    }

    TestServer server;
    QTemporaryDir tmp;
    QString traceDir;
    platform::MemorySettingsStore store;
    platform::ManualClock clock{QDateTime::currentDateTime()};
    platform::ScriptedDialogs dialogs;
    platform::ScriptedKeyboard keyboard;
    platform::ScriptedEnvironment env;
    std::unique_ptr<app::TAxStanor> form;
};

}  // namespace

TEST_F(FormHostTest, TwoStartsWithinTwelveHoursFetchTheListsOnceUnlessCtrlIsHeld)
{
    const std::vector<std::string> lists = {"/AxInfoEquip", "/AxInfoStruct"};
    EXPECT_EQ(start(), lists);
    EXPECT_TRUE(QFile::exists(traceDir + "/XmlEquip.xml"));
    EXPECT_TRUE(start().empty());
    clock.advanceSecs(13 * 3600);
    EXPECT_EQ(start(), lists);
    keyboard.ctrl = true;
    EXPECT_EQ(start(), lists);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FormHostTest, RequestErrorsShowInTheWarningPanel)
{
    start();
    app::TAxStanor& f = *form;
    EXPECT_EQ(f.LbDebugInfo0->text(), "");
    EXPECT_TRUE(f.PanelWarning->isHidden());

    server.answers({"<LogItems><LogItem>Refus</LogItem></LogItems>"});
    const service::ServiceRequest save = f.Requests().save("UPDATE t SET a=1", service::SaveTarget::Record);
    EXPECT_EQ(save.answerFile, QDir(traceDir).filePath("XmlAXSQLVO.xml"));
    f.IdleSeconds = 42;
    f.HttpExecute(save.url, save.answerFile);
    EXPECT_EQ(f.LbDebugInfo0->text(), "Refus - ");
    EXPECT_FALSE(f.PanelWarning->isHidden());
    EXPECT_EQ(f.IdleSeconds, 0);

    server.answers({"<ok/>"});
    f.HttpExecute(save.url, save.answerFile);
    EXPECT_EQ(f.LbDebugInfo0->text(), "");
    EXPECT_TRUE(f.PanelWarning->isHidden());
}

TEST_F(FormHostTest, AProxyEnableOfTheWrongTypeStopsTheStartUpWithTheErrorBox)
{
    store.createKey(kInternetSettingsKey);
    store.writeString(kInternetSettingsKey, "ProxyEnable", "1");
    EXPECT_TRUE(start().empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
}
