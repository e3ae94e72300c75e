#pragma once

// The local player's test fixture: a real MPD (two silent outputs) with a
// spare one, shairport-sync receivers as legacy speakers, a fake clock, and
// an album whose sound says which track and how far into it.
#include "MpdTestServer.h"

#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/LibMpdClient.h"
#include "musicapp/TagReader.h"
#include "playback/SpeakerList.h"
#include "support/FakeClock.h"
#include "support/LocalAvahi.h"
#include "support/RunTask.h"
#include "support/ShairportSpeaker.h"
#include "support/TestAudio.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

// The legacy speaker the speaker list offers by that name, or the first one
// for an empty name.
inline std::optional<SpeakerOutput> legacyOutputIn(const AppleMusicLibrary& library,
                                                   const QString& name = {}) {
    for (const SpeakerOption& option : speakerOptionsOf(library)) {
        if (option.output.isLegacy() &&
            (name.isEmpty() || option.output.legacySpeaker().name == name)) {
            return option.output;
        }
    }
    return std::nullopt;
}

inline constexpr int kTracks = 6;
inline constexpr int kRate = 44100;

// An album whose sound tells where it is: the left channel holds a tone of
// 300 + 100 × track index Hz, the right one a sweep at 200 + 20 × t Hz.
struct JourneyAlbum {
    // Made once per machine: every test runs in its own process, and the
    // album takes a while to make. A finished album appears in one rename.
    static const JourneyAlbum& shared() {
        static const JourneyAlbum album = [] {
            JourneyAlbum made;
            made.folder = QDir::temp().filePath(QStringLiteral("korvid-journey-album-1"));
            for (int i = 0; i < kTracks; ++i) {
                made.files << QStringLiteral("Journey/%1 Leg.flac").arg(i + 1);
            }
            if (QFileInfo::exists(made.folder)) {
                return made;
            }
            QTemporaryDir dir(made.folder + QStringLiteral("-XXXXXX"));
            QDir().mkpath(dir.filePath(QStringLiteral("Journey")));
            for (int i = 0; i < kTracks; ++i) {
                const QString failure =
                    makeTestAudio(dir.filePath(made.files[i]),
                                  {.source = QStringLiteral("aevalsrc=exprs=0.4*sin(2*PI*%1*t)|"
                                                            "0.4*sin(2*PI*(200*t+10*t*t)):s=44100")
                                                 .arg(300 + 100 * i),
                                   .seconds = 70,
                                   .tags = {{"album", "Journey"},
                                            {"album_artist", "Korvid"},
                                            {"track", QString::number(i + 1)}}});
                if (!failure.isEmpty()) {
                    qFatal("%s", qPrintable(failure));
                }
            }
            // Another test process may have won the race; its album is as good.
            if (QDir().rename(dir.path(), made.folder)) {
                dir.setAutoRemove(false);
            }
            return made;
        }();
        return album;
    }
    QString folder;
    QStringList files;
};

// What a stretch of received sound says: which track, how far into it.
struct Heard {
    int track = -1;
    double seconds = -1;
};

inline double frequency(const QByteArray& pcm, qsizetype firstFrame, int frames, int channel) {
    const auto* s = reinterpret_cast<const int16_t*>(pcm.constData());
    int crossings = 0;
    for (qsizetype f = firstFrame + 1; f < firstFrame + frames; ++f) {
        crossings += (s[(f - 1) * 2 + channel] < 0) != (s[f * 2 + channel] < 0);
    }
    return crossings / 2.0 / (double(frames) / kRate);
}

// The first sound from byte `from` on, once 0.3 s of it has arrived.
inline std::optional<Heard> firstSound(ShairportSpeaker& speaker, qsizetype from,
                                       std::chrono::milliseconds timeout = 15s) {
    std::optional<Heard> heard;
    waitUntil(
        [&] {
            const QByteArray pcm = speaker.pcm();
            const auto* s = reinterpret_cast<const int16_t*>(pcm.constData());
            for (qsizetype f = from / 4; f * 4 + 4 <= pcm.size(); ++f) {
                if (std::abs(int(s[f * 2])) < 2000) {
                    continue;
                }
                // Skip the first 50 ms the receiver may still smooth.
                const qsizetype start = f + kRate / 20;
                const int window = kRate / 4;
                if ((start + window) * 4 > pcm.size()) {
                    return false;
                }
                const double left = frequency(pcm, start, window, 0);
                const double right = frequency(pcm, start, window, 1);
                // The sweep's mean frequency is that of the window's middle.
                heard = Heard{int(std::lround((left - 300) / 100)),
                              (right - 200) / 20 - double(kRate / 20 + window / 2) / kRate};
                return true;
            }
            return false;
        },
        timeout);
    return heard;
}

inline QCoro::Task<> markWhenIdle(AppleMusicLibrary& library, std::shared_ptr<bool> done) {
    co_await library.commandsFinished();
    *done = true;
}

class LocalPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        album = &JourneyAlbum::shared();
        mpd.useMusic(album->folder, album->files);
        spare.useMusic(album->folder, album->files);
        ASSERT_TRUE(mpd.start()) << mpd.errorText().toStdString();
        clock.setNow(QDateTime(QDate(2026, 11, 1), QTime(9, 0), QTimeZone::utc()));
    }

    // On `mpd`, or on the MPDs at `addresses` when given.
    // Speakers are browsed for on the shared avahi-daemon unless `browsing` says otherwise.
    std::unique_ptr<AppleMusicLibrary>
    makeLibrary(QList<MpdAddress> addresses = {},
                std::shared_ptr<ServiceBrowsing> browsing = nullptr) {
        auto library = unopenedLibrary(album->folder, std::move(addresses), std::move(browsing));
        EXPECT_TRUE(runTask(library->requestAuthorizationIfNeeded()));
        EXPECT_TRUE(waitUntil([&] { return !library->isScanning(); }, 20s));
        return library;
    }
    // The same over `folder`, not opened yet: as a first start finds it.
    std::unique_ptr<AppleMusicLibrary>
    unopenedLibrary(const QString& folder, QList<MpdAddress> addresses = {},
                    std::shared_ptr<ServiceBrowsing> browsing = nullptr) {
        AppleMusicLibrary::PlayerParts parts;
        parts.browsing = std::move(browsing);
        // The spare answers once a test starts it: the player "back" after a crash.
        parts.musicApp.addresses =
            addresses.isEmpty() ? QList<MpdAddress>{mpd.address(), spare.address()} : addresses;
        parts.musicApp.ownDaemon = {home.filePath("own"), home.filePath("own/none.socket")};
        parts.musicApp.connector = std::make_shared<LibMpdConnector>(1500ms);
        parts.musicApp.startDaemon = [] { return false; };
        auto library = std::make_unique<AppleMusicLibrary>(
            folder, home.filePath("index.sqlite"), makeTagLibReader(), &clock, std::move(parts));
        library->setOnError([this](const QString& message) { errors << message; });
        return library;
    }

    static AppleMusicPlaybackHandle handleOf(const AppleMusicLibrary& library) {
        const QList<AppleMusicAlbum> albums = library.albums();
        EXPECT_EQ(albums.size(), 1);
        return albums.isEmpty() ? AppleMusicPlaybackHandle{}
                                : *albums.first().unified().playback.appleMusicHandle();
    }

    // Waits for `condition` while the fake clock follows real time, so the
    // player's own waits pass as they would for a user, yet none of their
    // time-outs (opening a track, a start's grace) runs out sooner than for
    // a user on a busy machine.
    bool waitFollowingTime(const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout = 15s) {
        auto last = std::chrono::steady_clock::now();
        return waitUntil(
            [&] {
                const auto passed = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::steady_clock::now() - last);
                last += passed;
                clock.advance(passed);
                return condition();
            },
            timeout);
    }

    // Waits for the command chain, its pauses passing as they would.
    void finish(AppleMusicLibrary& library) {
        auto done = std::make_shared<bool>(false);
        markWhenIdle(library, done);
        ASSERT_TRUE(waitFollowingTime([&] { return *done; }, 30s));
    }

    MpdStatus mpdStatus() { return mpd.connect()->status(); }
    static QStringList enabledOutputs(const MpdTestServer& server) {
        QStringList names;
        for (const MpdOutput& output : server.connect()->outputs()) {
            if (output.enabled) {
                names.append(output.name);
            }
        }
        return names;
    }
    QString enabledOutput() { return enabledOutputs(mpd).value(0); }
    bool waitForMpd(const std::function<bool(const MpdStatus&)>& wanted) {
        return waitUntil([&] { return wanted(mpdStatus()); }, 10s);
    }

    // Starts the receiver on the private avahi-daemon; the speaker as the library lists it.
    std::optional<AirPlay1Speaker> startSpeaker(ShairportSpeaker& receiver,
                                                AppleMusicLibrary& library) {
        if (!receiver.start()) {
            ADD_FAILURE() << receiver.errorText().toStdString();
            return std::nullopt;
        }
        runTask(library.refreshSpeakers());
        std::optional<SpeakerOutput> found;
        waitUntil([&] { return (found = legacyOutputIn(library, receiver.name())).has_value(); },
                  10s);
        return found ? std::optional(found->legacySpeaker()) : std::nullopt;
    }

    static SpeakerOutput silent() { return SpeakerOutput::music("Silent", "Silent output"); }
    // A speaker that never answers: nothing is heard, commands still run.
    static SpeakerOutput nowhere() {
        return SpeakerOutput::legacy({"00FF@Nowhere", "Nowhere", {"", "", "", -1, "127.0.0.1", 1}});
    }

    // Plays the album on "Silent" from `index`, `seconds` and waits until MPD plays.
    void playOnMpd(AppleMusicLibrary& library, int index, double seconds) {
        library.select(silent());
        finish(library);
        library.play(handleOf(library), index, seconds);
        finish(library);
        ASSERT_TRUE(
            waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    }

    TestHome home;
    FakeClock clock;
    MpdTestServer mpd;
    MpdTestServer spare;
    const JourneyAlbum* album = nullptr;
    QStringList errors;
};
