#include "musicapp/MicrophoneMonitor.h"
#include "musicapp/PulseAudioInputSystem.h"
#include "support/ExternalDaemon.h"
#include "support/FakeClock.h"
#include "support/PulseAudioServer.h"
#include "support/RequiredPeers.h"
#include "support/RunTask.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <vector>

using namespace std::chrono_literals;

namespace {

// A server that is not there yet comes: a source loaded while running is
// watched, a recording is use at once and its end two seconds later, and a
// server that dies takes every recording with it.
TEST(MicrophonePulseAudioTest, FollowsAServerThatComesRecordsAndGoes) {
    if (ExternalDaemon::findProgram(QStringLiteral("pulseaudio")).isEmpty() ||
        ExternalDaemon::findProgram(QStringLiteral("parecord")).isEmpty()) {
        KORVID_PEER_MISSING("pulseaudio and parecord are needed");
    }
    PulseAudioServer server;
    server.exportToThisProcess();
    FakeClock clock;
    std::vector<AudioInputState> states;
    std::vector<bool> reports;
    // The monitor over the real server; every state it reads is kept.
    auto system = std::make_unique<PulseAudioInputSystem>(100ms);
    QObject::connect(system.get(), &AudioInputSystem::stateChanged,
                     [&](const AudioInputState& state) { states.push_back(state); });
    MicrophoneMonitor monitor(std::move(system), clock, QCoreApplication::applicationPid());
    monitor.onChange = [&](bool inUse) { reports.push_back(inUse); };
    monitor.start();
    const auto waitForState = [&](const std::function<bool(const AudioInputState&)>& matches) {
        return waitUntil([&] { return !states.empty() && matches(states.back()); }, 10s);
    };
    // Moves the injected clock once the monitor waits for the end of use.
    const auto passReleaseDelay = [&] {
        if (!waitUntil([&] { return clock.sleeperCount() == 1; }, 10s)) {
            return false;
        }
        clock.advance(MicrophoneMonitor::kReleaseDelay - 1ms);
        waitUntil([] { return false; }, 20ms);
        if (!monitor.isInUse()) {
            return false;
        }
        clock.advance(1ms);
        return waitUntil([&] { return !monitor.isInUse(); }, 1s);
    };

    // The server's socket does not exist yet.
    waitUntil([] { return false; }, 300ms);
    EXPECT_TRUE(states.empty());
    EXPECT_FALSE(monitor.isInUse());

    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    ASSERT_TRUE(waitForState([](const AudioInputState& s) { return s.sources.size() == 2; }));
    ASSERT_GE(server.loadModule(QStringLiteral("module-null-source"),
                                {QStringLiteral("source_name=korvid_usb_mic")}),
              0);
    ASSERT_TRUE(waitForState([](const AudioInputState& s) { return s.sources.size() == 3; }));
    EXPECT_TRUE(reports.empty());

    PulseRecorder call(server, QStringLiteral("korvid_usb_mic"));
    ASSERT_TRUE(call.started());
    ASSERT_TRUE(waitUntil([&] { return monitor.isInUse(); }, 10s));
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
    ASSERT_TRUE(waitForState([](const AudioInputState& s) { return s.recordings.empty(); }));
    EXPECT_TRUE(monitor.isInUse());
    EXPECT_TRUE(passReleaseDelay());
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));

    PulseRecorder again(server, QString::fromLatin1(PulseAudioServer::kSourceName));
    ASSERT_TRUE(waitUntil([&] { return monitor.isInUse(); }, 10s));
    server.daemon().kill();
    ASSERT_TRUE(waitForState([](const AudioInputState& s) { return s.sources.empty(); }));
    EXPECT_TRUE(passReleaseDelay());
    EXPECT_EQ(reports, (std::vector<bool>{true, false, true, false}));
}

} // namespace
