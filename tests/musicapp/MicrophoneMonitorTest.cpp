#include "musicapp/MicrophoneMonitor.h"
#include "support/FakeAudioInputSystem.h"
#include "support/FakeClock.h"
#include "support/RunTask.h"

#include <gtest/gtest.h>

#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr qint64 kOwnPid = 4242;
constexpr qint64 kOtherPid = 777;
constexpr quint32 kHeadsetCard = 3;
constexpr quint32 kUsbMicCard = 4;

enum Kind { Monitor = 1, Hardware = 2 };

AudioSource source(quint32 index, int kind, std::optional<quint32> card, bool running) {
    return {.index = index,
            .isMonitor = (kind & Monitor) != 0,
            .isHardware = (kind & Hardware) != 0,
            .card = card,
            .isRunning = running};
}

// Sources by index: 1 a USB microphone (its card plays nothing), 2 a
// headset's microphone, 3 a monitor, 4 a null source, 5 a monitor that
// PipeWire marks as hardware, 6 a hardware source with no card.
AudioSource usbMic(bool running) {
    return source(1, Hardware, kUsbMicCard, running);
}
AudioSource headsetMic(bool running) {
    return source(2, Hardware, kHeadsetCard, running);
}
AudioSource monitor(bool running) {
    return source(3, Monitor, std::nullopt, running);
}
AudioSource nullSource(bool running) {
    return source(4, 0, std::nullopt, running);
}
AudioSource hardwareMonitor(bool running) {
    return source(5, Monitor | Hardware, kHeadsetCard, running);
}
AudioSource cardlessHardware(bool running) {
    return source(6, Hardware, std::nullopt, running);
}

RecordingStream recording(std::optional<quint32> source, std::optional<qint64> pid) {
    return {.index = 10,
            .source = source,
            .processId = pid,
            .isCorked = false,
            .isServerInternal = false};
}

AudioInputState withHeadsetCard(std::vector<AudioSource> sources,
                                std::vector<RecordingStream> recordings = {}) {
    return {.sources = std::move(sources),
            .cardsWithSinks = {kHeadsetCard},
            .recordings = std::move(recordings)};
}

struct Monitored {
    FakeClock clock;
    FakeAudioInputSystem* system = nullptr;
    std::unique_ptr<MicrophoneMonitor> monitor;
    std::vector<bool> reports;

    explicit Monitored(bool started = true) {
        auto fake = std::make_unique<FakeAudioInputSystem>();
        system = fake.get();
        monitor = std::make_unique<MicrophoneMonitor>(std::move(fake), clock, kOwnPid);
        monitor->onChange = [this](bool inUse) { reports.push_back(inUse); };
        if (started) {
            monitor->start();
        }
    }

    void publish(AudioInputState state) { system->publish(state); }
    // Lets woken sleepers run, then reports what was said.
    void pass(std::chrono::milliseconds time) {
        clock.advance(time);
        waitUntil([] { return false; }, 20ms);
    }
};

TEST(MicrophoneMonitorTest, DecidesWhichSourcesAndStreamsCountAsMicrophoneUse) {
    RecordingStream corked = recording(4, kOtherPid);
    corked.isCorked = true;
    RecordingStream loopback = recording(1, std::nullopt);
    loopback.isServerInternal = true;

    const struct {
        const char* name;
        AudioInputState state;
        bool inUse;
    } cases[] = {
        {"nothing at all", {}, false},
        {"idle microphones", withHeadsetCard({usbMic(false), headsetMic(false), nullSource(false)}),
         false},
        {"input-only microphone running", withHeadsetCard({usbMic(true)}), true},
        {"hardware source without a card running", withHeadsetCard({cardlessHardware(true)}), true},
        {"headset microphone running", withHeadsetCard({headsetMic(true)}), false},
        {"monitor running", withHeadsetCard({monitor(true)}), false},
        {"hardware-flagged monitor running", withHeadsetCard({hardwareMonitor(true)}), false},
        {"virtual source running", withHeadsetCard({nullSource(true)}), false},
        {"another program records a virtual source",
         withHeadsetCard({nullSource(true)}, {recording(4, kOtherPid)}), true},
        {"another program records the headset",
         withHeadsetCard({headsetMic(true)}, {recording(2, kOtherPid)}), true},
        {"our own recording", withHeadsetCard({nullSource(true)}, {recording(4, kOwnPid)}), false},
        {"our own recording of an input-only microphone still runs it",
         withHeadsetCard({usbMic(true)}, {recording(1, kOwnPid)}), true},
        {"recording what a monitor plays",
         withHeadsetCard({monitor(true)}, {recording(3, kOtherPid)}), false},
        {"paused recording", withHeadsetCard({nullSource(false)}, {corked}), false},
        {"the server's own loopback stream", withHeadsetCard({nullSource(true)}, {loopback}),
         false},
        {"recording without a process id",
         withHeadsetCard({nullSource(true)}, {recording(4, std::nullopt)}), true},
        {"recording from a source not listed yet", withHeadsetCard({}, {recording(99, kOtherPid)}),
         true},
        {"recording with no source", withHeadsetCard({}, {recording(std::nullopt, kOtherPid)}),
         true},
        {"headset card without its sink is input-only",
         AudioInputState{.sources = {headsetMic(true)}, .cardsWithSinks = {}, .recordings = {}},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Monitored m;
        m.publish(c.state);
        EXPECT_EQ(m.monitor->isInUse(), c.inUse);
        EXPECT_EQ(m.reports, c.inUse ? std::vector<bool>{true} : std::vector<bool>{});
    }
}

TEST(MicrophoneMonitorTest, StartsOnceAndEndsSilently) {
    Monitored m(false);
    // The state the server already had is read when watching begins.
    m.publish(withHeadsetCard({usbMic(true)}));
    EXPECT_TRUE(m.reports.empty());
    m.monitor->start();
    m.monitor->start();
    EXPECT_EQ(m.system->startCount(), 1);
    EXPECT_EQ(m.reports, std::vector<bool>{true});

    // Going away with the end of use pending reports nothing afterwards.
    m.publish(withHeadsetCard({usbMic(false)}));
    EXPECT_EQ(m.clock.sleeperCount(), 1);
    m.monitor.reset();
    m.pass(5s);
    EXPECT_EQ(m.reports, std::vector<bool>{true});
}

} // namespace
