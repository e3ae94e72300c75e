// The local player against a real MPD (two silent outputs) and real
// shairport-sync receivers as legacy speakers, on a fake clock.
#include "MpdTestServer.h"

#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/LibMpdClient.h"
#include "musicapp/TagReader.h"
#include "support/ChildProcess.h"
#include "support/FakeClock.h"
#include "support/LocalAvahi.h"
#include "support/RunTask.h"
#include "support/ShairportSpeaker.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

constexpr int kTracks = 6;
constexpr int kRate = 44100;

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
                const ProgramRun ffmpeg = runProgram(
                    QStringLiteral("ffmpeg"),
                    {"-v", "error", "-y", "-f", "lavfi", "-i",
                     QStringLiteral("aevalsrc=exprs=0.4*sin(2*PI*%1*t)|0.4*sin(2*PI*(200*t+10*t*t))"
                                    ":s=44100:d=70")
                         .arg(300 + 100 * i),
                     "-metadata", "album=Journey", "-metadata", "album_artist=Korvid", "-metadata",
                     QStringLiteral("track=%1").arg(i + 1), dir.filePath(made.files[i])});
                if (!ffmpeg.succeeded()) {
                    qFatal("ffmpeg could not make the journey album");
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

double frequency(const QByteArray& pcm, qsizetype firstFrame, int frames, int channel) {
    const auto* s = reinterpret_cast<const int16_t*>(pcm.constData());
    int crossings = 0;
    for (qsizetype f = firstFrame + 1; f < firstFrame + frames; ++f) {
        crossings += (s[(f - 1) * 2 + channel] < 0) != (s[f * 2 + channel] < 0);
    }
    return crossings / 2.0 / (double(frames) / kRate);
}

// The first sound from byte `from` on, once 0.3 s of it has arrived.
std::optional<Heard> firstSound(ShairportSpeaker& speaker, qsizetype from,
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

QCoro::Task<> markWhenIdle(AppleMusicLibrary& library, std::shared_ptr<bool> done) {
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

    std::unique_ptr<AppleMusicLibrary> makeLibrary() {
        AppleMusicLibrary::PlayerParts parts;
        // The spare answers once a test starts it: the player "back" after a crash.
        parts.musicApp.addresses = {mpd.address(), spare.address()};
        parts.musicApp.ownDaemon = {home.filePath("own"), home.filePath("own/none.socket")};
        parts.musicApp.connector = std::make_shared<LibMpdConnector>(1500ms);
        parts.musicApp.startDaemon = [] { return false; };
        auto library =
            std::make_unique<AppleMusicLibrary>(album->folder, home.filePath("index.sqlite"),
                                                makeTagLibReader(), &clock, std::move(parts));
        library->setOnError([this](const QString& message) { errors << message; });
        EXPECT_TRUE(runTask(library->requestAuthorizationIfNeeded()));
        EXPECT_TRUE(waitUntil([&] { return !library->isScanning(); }, 20s));
        return library;
    }

    static AppleMusicPlaybackHandle handleOf(const AppleMusicLibrary& library) {
        const QList<AppleMusicAlbum> albums = library.albums();
        EXPECT_EQ(albums.size(), 1);
        return albums.isEmpty() ? AppleMusicPlaybackHandle{}
                                : *albums.first().unified().playback.appleMusicHandle();
    }

    // Waits for the command chain, moving the fake clock along so the
    // commands' own pauses pass.
    void finish(AppleMusicLibrary& library) {
        auto done = std::make_shared<bool>(false);
        markWhenIdle(library, done);
        ASSERT_TRUE(waitUntil(
            [&] {
                if (!*done) {
                    clock.advance(50ms);
                }
                return *done;
            },
            30s));
    }

    MpdStatus mpdStatus() { return mpd.connect()->status(); }
    QString enabledOutput() {
        for (const MpdOutput& output : mpd.connect()->outputs()) {
            if (output.enabled) {
                return output.name;
            }
        }
        return {};
    }
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
        return findSpeaker(library, receiver.name());
    }
    std::optional<AirPlay1Speaker> findSpeaker(AppleMusicLibrary& library, const QString& name) {
        runTask(library.refreshSpeakers());
        std::optional<AirPlay1Speaker> found;
        waitUntil(
            [&] {
                for (const SpeakerOption& option : library.speakerOptions()) {
                    if (option.output.isLegacy() && option.output.legacySpeaker().name == name) {
                        found = option.output.legacySpeaker();
                    }
                }
                return found.has_value();
            },
            10s);
        return found;
    }

    static SpeakerOutput silent() { return SpeakerOutput::music("Silent", "Silent output"); }
    static SpeakerOutput awkward() {
        return SpeakerOutput::music(MpdTestServer::awkwardOutputName, "Silent output");
    }
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

TEST_F(LocalPlayerTest, PlaysOnAnOutputKeepsPlayingThroughTheGraceAndNeverPausesTheUsersMusic) {
    auto library = makeLibrary();
    library->select(silent());
    finish(*library);
    const auto started = clock.monotonic();
    library->play(handleOf(*library), 2, 0);
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    ASSERT_LT(clock.monotonic() - started, 3s);
    EXPECT_EQ(mpdStatus().songPosition, 2);
    EXPECT_EQ(enabledOutput(), QStringLiteral("Silent"));
    EXPECT_TRUE(library->isPlaying());

    // The player pauses by itself: within the grace that still reads as a start.
    mpd.connect()->pause();
    clock.advance(3s - (clock.monotonic() - started));
    runTask(library->refreshStatus());
    EXPECT_TRUE(library->isPlaying());
    clock.advance(6s);
    runTask(library->refreshStatus());
    EXPECT_FALSE(library->isPlaying());

    // The user's own queue plays: pause sends nothing.
    auto client = mpd.connect();
    client->appendToStoredPlaylist("Mine", album->files[0]);
    client->replaceQueueWith("Mine");
    client->playPosition(0);
    runTask(library->refreshStatus());
    library->pause();
    finish(*library);
    EXPECT_EQ(mpdStatus().state, MpdPlayState::playing);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(LocalPlayerTest, HandsOverBetweenOutputsAndSpeakersAtTheSamePlace) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    ShairportSpeaker den(QStringLiteral("Den"));
    ShairportSpeaker attic(QStringLiteral("Attic"));
    auto library = makeLibrary();
    const auto toDen = startSpeaker(den, *library);
    const auto toAttic = startSpeaker(attic, *library);
    ASSERT_TRUE(toDen && toAttic);

    // Track 2 has no file for the speakers: full index 5 is legacy index 4.
    AppleMusicPlaybackHandle handle = handleOf(*library);
    handle.tracks[1].url.reset();
    library->select(silent());
    finish(*library);
    library->play(handle, 5, 61.0);
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.elapsedSeconds >= 61; }));

    // MPD -> legacy: the speaker plays track 5 from where MPD was.
    library->select(SpeakerOutput::legacy(*toDen));
    finish(*library);
    const double mpdLeftAt = mpdStatus().elapsedSeconds;
    EXPECT_EQ(mpdStatus().state, MpdPlayState::paused);
    const auto inDen = firstSound(den, 0);
    ASSERT_TRUE(inDen);
    EXPECT_EQ(inDen->track, 5);
    EXPECT_NEAR(inDen->seconds, mpdLeftAt, 0.5);

    // Legacy -> legacy.
    QTest::qWait(1000);
    library->select(SpeakerOutput::legacy(*toAttic));
    finish(*library);
    const auto inAttic = firstSound(attic, 0);
    ASSERT_TRUE(inAttic);
    EXPECT_EQ(inAttic->track, 5);
    EXPECT_GT(inAttic->seconds, inDen->seconds + 0.5);
    EXPECT_LT(inAttic->seconds, inDen->seconds + 5);

    // Legacy -> MPD, then from one MPD output to the other.
    QTest::qWait(1000);
    library->select(silent());
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    MpdStatus back = mpdStatus();
    EXPECT_EQ(back.songPosition, 5);
    EXPECT_GT(back.elapsedSeconds, inAttic->seconds + 0.5);
    EXPECT_LT(back.elapsedSeconds, inAttic->seconds + 5);

    library->select(awkward());
    finish(*library);
    const MpdStatus switched = mpdStatus();
    EXPECT_EQ(enabledOutput(), MpdTestServer::awkwardOutputName);
    EXPECT_EQ(switched.state, MpdPlayState::playing);
    EXPECT_EQ(switched.songPosition, 5);
    EXPECT_GE(switched.elapsedSeconds, back.elapsedSeconds);
    EXPECT_TRUE(library->isPlaying());
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(LocalPlayerTest, HandOversWhilePausedSetWherePlayStarts) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    ShairportSpeaker den(QStringLiteral("Den"));
    auto library = makeLibrary();
    const auto toDen = startSpeaker(den, *library);
    ASSERT_TRUE(toDen);

    playOnMpd(*library, 4, 61.0);
    library->pause();
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::paused; }));
    const double pausedAt = mpdStatus().elapsedSeconds;

    library->select(SpeakerOutput::legacy(*toDen));
    finish(*library);
    ASSERT_TRUE(library->resumePoint());
    EXPECT_EQ(library->resumePoint()->index, 4);
    EXPECT_NEAR(library->resumePoint()->seconds, pausedAt, 0.05);
    library->togglePlayPause();
    finish(*library);
    const auto heard = firstSound(den, 0);
    ASSERT_TRUE(heard);
    EXPECT_EQ(heard->track, 4);
    EXPECT_NEAR(heard->seconds, pausedAt, 0.5);

    QTest::qWait(1000);
    library->pause();
    finish(*library);
    const auto place = runTask(library->currentPosition());
    ASSERT_TRUE(place);
    library->select(silent());
    finish(*library);
    ASSERT_TRUE(library->resumePoint());
    EXPECT_EQ(*library->resumePoint(), *place);
    EXPECT_EQ(mpdStatus().state, MpdPlayState::paused);
    library->togglePlayPause();
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    EXPECT_EQ(mpdStatus().songPosition, 4);
    EXPECT_NEAR(mpdStatus().elapsedSeconds, place->seconds, 1.5);
}

TEST_F(LocalPlayerTest, BackToBackHandOversRunInTheOrderIssued) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    ShairportSpeaker den(QStringLiteral("Den"));
    auto library = makeLibrary();
    const auto toDen = startSpeaker(den, *library);
    ASSERT_TRUE(toDen);
    playOnMpd(*library, 1, 10.0);
    // Issued together: the way back starts once the speaker has the place.
    library->select(SpeakerOutput::legacy(*toDen));
    library->select(silent());
    finish(*library);
    EXPECT_EQ(library->outputID(), QStringLiteral("music:Silent"));
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    EXPECT_EQ(mpdStatus().songPosition, 1);
    EXPECT_GE(mpdStatus().elapsedSeconds, 10.0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(LocalPlayerTest, TakesOverItsQueueAfterARestartOncePerTrack) {
    auto first = makeLibrary();
    playOnMpd(*first, 3, 0);
    first.reset();

    auto library = makeLibrary();
    runTask(library->refreshStatus());
    const auto taken = runTask(library->takeOverOngoingPlayback());
    ASSERT_TRUE(taken);
    EXPECT_TRUE(taken->isPlaying);
    EXPECT_EQ(taken->album.title, QStringLiteral("Journey"));
    EXPECT_EQ(library->loadedTracks().size(), kTracks);
    EXPECT_TRUE(library->isPlaying());
    EXPECT_FALSE(runTask(library->takeOverOngoingPlayback()));
    // Pause reaches the taken-over queue.
    library->pause();
    finish(*library);
    EXPECT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::paused; }));
}

TEST_F(LocalPlayerTest, VolumeGoesToTheOutputKind) {
    auto library = makeLibrary();
    playOnMpd(*library, 0, 0);
    library->setOutputVolume(49.5);
    finish(*library);
    EXPECT_EQ(mpdStatus().volume, 50);
    EXPECT_EQ(library->outputVolumePercent(), 50);

    library->select(nowhere());
    finish(*library);
    library->setOutputVolume(49.5);
    finish(*library);
    EXPECT_EQ(library->airPlay1VolumePercent(), 49.5);
    EXPECT_EQ(QSettings().value("airPlay1VolumePercent").toDouble(), 49.5);
    EXPECT_EQ(mpdStatus().volume, 50);
    library.reset();
    EXPECT_EQ(makeLibrary()->airPlay1VolumePercent(), 49.5);
}

TEST_F(LocalPlayerTest, ARecordedPlayMovesTheAlbumAndSurvivesARestart) {
    auto library = makeLibrary();
    const QDateTime added = library->albums().first().unified().sortDate;
    clock.setNow(clock.now().addDays(3));
    playOnMpd(*library, 0, 0);
    const QDateTime played = clock.now();
    runTask(library->refreshStatus());
    EXPECT_GT(library->albums().first().unified().sortDate, added);
    EXPECT_LE(library->albums().first().unified().sortDate, played);
    EXPECT_GE(library->albums().first().unified().sortDate, played.addSecs(-60));
    const QDateTime recorded = library->albums().first().unified().sortDate;
    library.reset();
    EXPECT_EQ(makeLibrary()->albums().first().unified().sortDate, recorded);
}

TEST_F(LocalPlayerTest, MpdKilledMidAlbumIsReportedAndPlayContinuesOnceItIsBack) {
    auto library = makeLibrary();
    playOnMpd(*library, 3, 20.0);
    clock.advance(9s);
    runTask(library->refreshStatus());
    const auto place = runTask(library->currentPosition());
    ASSERT_TRUE(place);
    EXPECT_EQ(place->index, 3);

    mpd.daemon().kill();
    runTask(library->refreshStatus());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("The music player reported an error: "))
        << errors[0].toStdString();
    EXPECT_FALSE(library->isPlaying());
    ASSERT_TRUE(library->resumePoint());
    EXPECT_EQ(*library->resumePoint(), *place);
    runTask(library->refreshStatus());
    EXPECT_EQ(errors.size(), 1);

    ASSERT_TRUE(spare.start()) << spare.errorText().toStdString();
    library->togglePlayPause();
    finish(*library);
    ASSERT_TRUE(
        waitUntil([&] { return spare.connect()->status().state == MpdPlayState::playing; }));
    const MpdStatus resumed = spare.connect()->status();
    EXPECT_EQ(resumed.songPosition, 3);
    EXPECT_NEAR(resumed.elapsedSeconds, place->seconds, 1.5);
    EXPECT_EQ(errors.size(), 1);
}

TEST_F(LocalPlayerTest, LostLegacySpeakerIsReportedOnceAndPlayContinuesOnceItIsBack) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    auto den = std::make_unique<ShairportSpeaker>(QStringLiteral("Den"));
    auto library = makeLibrary();
    const auto toDen = startSpeaker(*den, *library);
    ASSERT_TRUE(toDen);
    const quint16 port = den->port();
    library->select(SpeakerOutput::legacy(*toDen));
    finish(*library);
    const QDateTime added = library->albums().first().unified().sortDate;
    library->play(handleOf(*library), 2, 30.0);
    finish(*library);
    ASSERT_TRUE(firstSound(*den, 0));
    // A play on a speaker counts as much as one through MPD.
    EXPECT_GT(library->albums().first().unified().sortDate, added);
    QTest::qWait(500);

    den.reset();
    const auto lost = std::chrono::steady_clock::now();
    // The keep-alive notices within its 10 s period.
    clock.advance(10s);
    ASSERT_TRUE(waitUntil([&] { return !errors.isEmpty(); }, 12s));
    EXPECT_LT(std::chrono::steady_clock::now() - lost, 12s);
    clock.advance(10s);
    QTest::qWait(300);
    EXPECT_EQ(errors, QStringList{"Lost the connection to Den."});
    EXPECT_FALSE(library->isPlaying());
    const auto place = runTask(library->currentPosition());
    ASSERT_TRUE(place);
    EXPECT_EQ(place->index, 2);
    EXPECT_GT(place->seconds, 30.0);

    ShairportSpeaker again(QStringLiteral("Den"), port);
    ASSERT_TRUE(again.start()) << again.errorText().toStdString();
    library->togglePlayPause();
    finish(*library);
    const auto heard = firstSound(again, 0);
    ASSERT_TRUE(heard);
    EXPECT_EQ(heard->track, 2);
    EXPECT_NEAR(heard->seconds, place->seconds, 0.5);
}

TEST_F(LocalPlayerTest, RefreshingSpeakersSaysWhyThePlayerCannotBeUsed) {
    auto library = makeLibrary();
    mpd.daemon().kill();
    runTask(library->refreshSpeakers());
    EXPECT_EQ(library->musicAccessProblem(),
              "The music player couldn't be opened. Install mpd and try again.");
    EXPECT_TRUE(errors.isEmpty());

    ASSERT_TRUE(spare.start()) << spare.errorText().toStdString();
    const auto silentOutput =
        runTask(library->availableOutput(ListeningSession::Device::AirPlay{"Silent"}));
    EXPECT_EQ(library->musicAccessProblem(), std::nullopt);
    ASSERT_TRUE(silentOutput);
    EXPECT_EQ(silentOutput->id(), "music:Silent");
    EXPECT_FALSE(runTask(library->availableOutput(ListeningSession::Device::AirPlay{"Gone"})));
    // Neither test output is this computer's sound.
    EXPECT_FALSE(runTask(library->availableOutput(ListeningSession::Device::Local{})));
}

TEST_F(LocalPlayerTest, BadAlbumsGiveTheirMessageNeverAHang) {
    auto library = makeLibrary();
    AppleMusicPlaybackHandle handle = handleOf(*library);

    // A track whose file vanished from the index: MPD skips it, and the place
    // still counts in the album.
    AppleMusicPlaybackHandle vanished = handle;
    vanished.tracks.prepend({QStringLiteral("00000000DEADBEEF"), std::nullopt});
    library->select(silent());
    finish(*library);
    library->play(vanished, 3, 0);
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    EXPECT_EQ(mpdStatus().songPosition, 2);
    const auto place = runTask(library->currentPosition());
    ASSERT_TRUE(place);
    EXPECT_EQ(place->index, 3);

    // No track has a file: the speaker's player says so.
    AppleMusicPlaybackHandle noFiles = handle;
    for (auto& track : noFiles.tracks) {
        track.url.reset();
    }
    library->select(nowhere());
    finish(*library);
    errors.clear();
    library->play(noFiles, 0, 0);
    finish(*library);
    ASSERT_TRUE(waitUntil([&] { return !errors.isEmpty(); }, 5s));
    EXPECT_TRUE(errors[0].startsWith("None of these tracks can be streamed to Nowhere."))
        << errors[0].toStdString();
    EXPECT_FALSE(library->isPlaying());
}

} // namespace
