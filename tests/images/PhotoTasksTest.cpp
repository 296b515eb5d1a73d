// What the photo page runs around the image code: work on a worker thread while events go on,
// memo lines brought back to the main thread, the FTP settings read from the settings store.
#include "TestImages.h"
#include "images/BackgroundWork.h"
#include "images/FtpSettings.h"
#include "images/Jpeg.h"
#include "platform/MemorySettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace stanor::images;
using namespace stanor::images::test;
using stanor::platform::MemorySettingsStore;
using stanor::platform::SettingsError;
using stanor::platform::StoredValue;
using stanor::platform::ValueType;

namespace {
// A bound on waits that only a broken event loop would reach.
constexpr auto kNever = std::chrono::seconds(60);
}  // namespace

TEST(BackgroundWork, ACameraPhotoIsReducedWhileTheEventLoopRunsAndTheMemoFollows) {
    ScratchDir dir;
    writeJpegFile(photoLike(4000, 3000), dir.file("camera.jpg"));
    QObject memoBox;
    std::vector<QString> shown;
    std::vector<bool> onMainThread;
    std::promise<void> bothShown;
    ReductionOptions o;
    o.dir = dir.path().string();
    o.memo = memoOnThreadOf(&memoBox, [&](const QString& line) {
        shown.push_back(line);
        onMainThread.push_back(QThread::currentThread() == qApp->thread());
        if (shown.size() == 2) bothShown.set_value();
    });
    bool timerTicked = false, linesShownWhileWorking = false;
    std::thread::id workThread;
    runKeepingEventsProcessed([&] {
        workThread = std::this_thread::get_id();
        std::promise<void> ticked;
        QTimer::singleShot(0, qApp, [&] { ticked.set_value(); });
        // Only an event loop running on the main thread meanwhile sets these.
        timerTicked = ticked.get_future().wait_for(kNever) == std::future_status::ready;
        ReductionJPG(dir.file("camera.jpg"), nullptr, "V0000007-01.jpg", o);
        linesShownWhileWorking = bothShown.get_future().wait_for(kNever) == std::future_status::ready;
    });
    EXPECT_TRUE(timerTicked);
    EXPECT_TRUE(linesShownWhileWorking);
    EXPECT_NE(workThread, std::this_thread::get_id());
    EXPECT_EQ(readJpegFile(dir.file("V0000007-01m.jpg")).width(), 120);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].startsWith(QStringLiteral("Lecture de : ")));
    EXPECT_EQ(onMainThread, (std::vector<bool>{true, true}));
}

TEST(BackgroundWork, ErrorsComeBackToTheCallerAndQuickWorkDoesNotHang) {
    ScratchDir dir;
    try {
        runKeepingEventsProcessed([&] { ReductionJPG(dir.file("absent.jpg"), nullptr, "V0000007-01.jpg", {}); });
        ADD_FAILURE() << "no error";
    } catch (const ImageError& e) {
        EXPECT_NE(std::string(e.what()).find("absent.jpg"), std::string::npos) << e.what();
    }
    int runs = 0;
    for (int i = 0; i < 20; ++i) runKeepingEventsProcessed([&] { ++runs; });  // done before the loop starts
    EXPECT_EQ(runs, 20);
}

TEST(BackgroundWork, MemoLinesKeepTheirOrderAndAreDroppedOnceTheMemoIsGone) {
    std::vector<QString> shown;
    auto box = std::make_unique<QObject>();
    const auto memo = memoOnThreadOf(box.get(), [&](const QString& l) { shown.push_back(l); });
    runKeepingEventsProcessed([&] {
        for (int i = 0; i < 200; ++i) memo("ligne " + std::to_string(i) + " é");
    });
    QCoreApplication::processEvents();
    ASSERT_EQ(shown.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(shown[std::size_t(i)], QStringLiteral("ligne %1 é").arg(i));

    runKeepingEventsProcessed([&] { memo("après"); });
    EXPECT_EQ(shown.size(), 201u);  // shown before the work was reported done
    memo("trop tard");
    box.reset();  // the line is still on its way
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.size(), 201u);
}

TEST(FtpSettings, ReadFromTheProgramsKeyWithoutAnyPassword) {
    MemorySettingsStore store;
    const QString key = stanor::platform::kStanorKey;
    store.createKey(key);
    store.writeString(key, kFtpInternalAddress, QStringLiteral("10.0.0.7:2121"));
    store.writeString(key, kFtpPublicHost, QStringLiteral(" ftp.garage.example "));
    store.writeString(key, kFtpAccount, QStringLiteral("stanor"));
    store.writeString(key, kFtpAccountDomain, QStringLiteral("garage.example"));
    store.writeString(key, kFtpNetrcFile, QStringLiteral("~/secret/netrc"));
    const FtpDeployment d = readFtpDeployment(store);
    EXPECT_EQ(d.internalAddress, "10.0.0.7:2121");
    EXPECT_EQ(d.publicHost, "ftp.garage.example");
    EXPECT_EQ(d.netrcFile, (QDir::homePath() + QStringLiteral("/secret/netrc")).toStdString());
    EXPECT_EQ(chooseFtpEndpoint(d, true).user, "stanor@garage.example");

    MemorySettingsStore empty;
    EXPECT_EQ(readFtpDeployment(empty).netrcFile, "");  // ~/.netrc, libcurl's own default
    EXPECT_THROW(chooseFtpEndpoint(readFtpDeployment(empty), false), FtpError);
    store.setValue(key, kFtpAccount, StoredValue{ValueType::DWord, {}, 7});
    EXPECT_THROW(readFtpDeployment(store), SettingsError);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
