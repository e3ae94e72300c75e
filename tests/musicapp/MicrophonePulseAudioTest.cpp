#include "musicapp/MicrophoneMonitor.h"
#include "musicapp/PulseAudioInputSystem.h"
#include "support/ExternalDaemon.h"
#include "support/FakeClock.h"
#include "support/PulseAudioServer.h"
#include "support/RequiredPeers.h"
#include "support/RunTask.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <vector>

using namespace std::chrono_literals;

namespace {

class MicrophonePulseAudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (ExternalDaemon::findProgram(QStringLiteral("pulseaudio")).isEmpty() ||
            ExternalDaemon::findProgram(QStringLiteral("parecord")).isEmpty()) {
            KORVID_PEER_MISSING("pulseaudio and parecord are needed");
        }
        server.exportToThisProcess();
    }

    // Builds the monitor over the real server; every state it reads is kept.
    void watch(qint64 ownPid = QCoreApplication::applicationPid(),
               std::chrono::milliseconds retryDelay = 5s) {
        auto system = std::make_unique<PulseAudioInputSystem>(retryDelay);
        QObject::connect(system.get(), &AudioInputSystem::stateChanged,
                         [this](const AudioInputState& state) { states.push_back(state); });
        monitor = std::make_unique<MicrophoneMonitor>(std::move(system), clock, ownPid);
        monitor->onChange = [this](bool inUse) { reports.push_back(inUse); };
        monitor->start();
    }

    bool waitForState(const std::function<bool(const AudioInputState&)>& matches) {
        return waitUntil([&] { return !states.empty() && matches(states.back()); }, 10s);
    }
    static bool hasRecordings(const AudioInputState& state, size_t count) {
        return state.recordings.size() == count;
    }
    // Moves the injected clock once the monitor waits for the end of use.
    bool passReleaseDelay() {
        if (!waitUntil([&] { return clock.sleeperCount() == 1; }, 10s)) {
            return false;
        }
        clock.advance(MicrophoneMonitor::kReleaseDelay - 1ms);
        waitUntil([] { return false; }, 20ms);
        if (!monitor->isInUse()) {
            return false;
        }
        clock.advance(1ms);
        return waitUntil([&] { return !monitor->isInUse(); }, 1s);
    }

    PulseAudioServer server;
    FakeClock clock;
    std::unique_ptr<MicrophoneMonitor> monitor;
    std::vector<AudioInputState> states;
    std::vector<bool> reports;
};

// A server that is not there yet comes: a source loaded while running is
// watched, a recording is use at once and its end two seconds later, and a
// server that dies takes every recording with it.
TEST_F(MicrophonePulseAudioTest, FollowsAServerThatComesRecordsAndGoes) {
    // The server's socket does not exist yet.
    watch(QCoreApplication::applicationPid(), 100ms);
    waitUntil([] { return false; }, 300ms);
    EXPECT_TRUE(states.empty());
    EXPECT_FALSE(monitor->isInUse());

    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    ASSERT_TRUE(waitForState([](const AudioInputState& s) { return s.sources.size() == 2; }));
    ASSERT_GE(server.loadModule(QStringLiteral("module-null-source"),
                                {QStringLiteral("source_name=korvid_usb_mic")}),
              0);
    ASSERT_TRUE(waitForState([](const AudioInputState& s) { return s.sources.size() == 3; }));
    EXPECT_TRUE(reports.empty());

    PulseRecorder call(server, QStringLiteral("korvid_usb_mic"));
    ASSERT_TRUE(call.started());
    ASSERT_TRUE(waitUntil([&] { return monitor->isInUse(); }, 10s));
    // Nothing waits on the clock for the start of use.
    EXPECT_EQ(clock.sleeperCount(), 0);
    const AudioInputState seen = states.back();
    ASSERT_EQ(seen.recordings.size(), 1u);
    EXPECT_EQ(seen.recordings.front().processId, call.pid());
    const auto source =
        std::find_if(seen.sources.begin(), seen.sources.end(), [&](const AudioSource& s) {
            return seen.recordings.front().source == s.index;
        });
    ASSERT_NE(source, seen.sources.end());
    EXPECT_TRUE(source->isRunning);
    EXPECT_FALSE(source->isMonitor);

    call.stop();
    ASSERT_TRUE(waitForState([](const AudioInputState& s) { return hasRecordings(s, 0); }));
    EXPECT_TRUE(monitor->isInUse());
    EXPECT_TRUE(passReleaseDelay());
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));

    PulseRecorder again(server, QString::fromLatin1(PulseAudioServer::kSourceName));
    ASSERT_TRUE(waitUntil([&] { return monitor->isInUse(); }, 10s));
    server.daemon().kill();
    ASSERT_TRUE(waitForState([](const AudioInputState& s) { return s.sources.empty(); }));
    EXPECT_TRUE(passReleaseDelay());
    EXPECT_EQ(reports, (std::vector<bool>{true, false, true, false}));
}

TEST_F(MicrophonePulseAudioTest, OwnRecordingIsNoUseAndTheConnectionEndsWithTheMonitor) {
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    // The recorder plays this program's part: its process is "our own".
    PulseRecorder own(server, QString::fromLatin1(PulseAudioServer::kSourceName));
    ASSERT_TRUE(own.started());
    watch(own.pid());
    ASSERT_TRUE(waitForState([](const AudioInputState& s) { return hasRecordings(s, 1); }));
    waitUntil([] { return false; }, 100ms);
    EXPECT_FALSE(monitor->isInUse());
    EXPECT_TRUE(reports.empty());

    // Anyone else recording beside it still counts.
    PulseRecorder other(server, QString::fromLatin1(PulseAudioServer::kSourceName));
    EXPECT_TRUE(waitUntil([&] { return monitor->isInUse(); }, 10s));

    // The monitor's connection to the server goes with it.
    const auto connected = [&] {
        QByteArray clients;
        return server.pactl({QStringLiteral("list"), QStringLiteral("clients")}, &clients) &&
               clients.contains("application.name = \"Korvid\"");
    };
    EXPECT_TRUE(connected());
    monitor.reset();
    EXPECT_TRUE(waitUntil([&] { return !connected(); }, 5s));
}

} // namespace
