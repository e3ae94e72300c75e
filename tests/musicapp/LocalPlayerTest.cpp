// The local player against a real MPD (two silent outputs) and real
// shairport-sync receivers as legacy speakers, on a fake clock.
#include "LocalPlayerFixture.h"

#include <QSettings>
#include <QTest>

namespace {

// Hand-overs between MPD's outputs and speakers carry the place: while
// playing, when issued back to back, and while paused.
TEST_F(LocalPlayerTest, HandOversCarryThePlacePlayingBackToBackAndPaused) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    ShairportSpeaker den(QStringLiteral("Den"));
    ShairportSpeaker attic(QStringLiteral("Attic"));
    auto library = makeLibrary();
    const auto toDen = startSpeaker(den, *library);
    const auto toAttic = startSpeaker(attic, *library);
    ASSERT_TRUE(toDen && toAttic);

    // Track 2 has no file for the speakers: full index 5 is legacy index 4.
    QList<AppleMusicPlaybackHandle::Track> tracks = handleOf(*library).tracks();
    tracks[1].url.reset();
    const AppleMusicPlaybackHandle handle(tracks);
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

    // Legacy -> MPD.
    QTest::qWait(1000);
    library->select(silent());
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    const MpdStatus back = mpdStatus();
    EXPECT_EQ(back.songPosition, 5);
    EXPECT_GT(back.elapsedSeconds, inAttic->seconds + 0.5);
    EXPECT_LT(back.elapsedSeconds, inAttic->seconds + 5);
    EXPECT_TRUE(library->isPlaying());
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

    // Issued together: the way back starts once the speaker has the place.
    playOnMpd(*library, 1, 10.0);
    library->select(SpeakerOutput::legacy(*toDen));
    library->select(silent());
    finish(*library);
    EXPECT_EQ(library->outputID(), QStringLiteral("music:Silent"));
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    EXPECT_EQ(mpdStatus().songPosition, 1);
    EXPECT_GE(mpdStatus().elapsedSeconds, 10.0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

    // A speaker left before it ever played still hands the place on.
    const double before = mpdStatus().elapsedSeconds;
    library->select(nowhere());
    library->select(silent());
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    EXPECT_EQ(mpdStatus().songPosition, 1);
    EXPECT_GE(mpdStatus().elapsedSeconds, before);

    // While paused, a hand-over sets where play starts.
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
    const qsizetype heardBefore = den.pcm().size();
    library->togglePlayPause();
    finish(*library);
    const auto heard = firstSound(den, heardBefore);
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

// A play is recorded: the album moves up, and stays there after a restart,
// which takes over the queue still playing, once per track, and pauses it.
// A speaker's volume outlives the next one.
TEST_F(LocalPlayerTest, ARestartKeepsTheRecordedPlayTheSpeakerVolumeAndTakesOverTheQueue) {
    auto first = makeLibrary();
    const QDateTime added = first->albums().first().unified().sortDate;
    clock.setNow(clock.now().addDays(3));
    playOnMpd(*first, 3, 0);
    const QDateTime played = clock.now();
    runTask(first->refreshStatus());
    const QDateTime recorded = first->albums().first().unified().sortDate;
    EXPECT_GT(recorded, added);
    EXPECT_LE(recorded, played);
    EXPECT_GE(recorded, played.addSecs(-60));
    first.reset();

    auto library = makeLibrary();
    EXPECT_EQ(library->albums().first().unified().sortDate, recorded);
    runTask(library->refreshStatus());
    const auto taken = runTask(library->takeOverOngoingPlayback());
    ASSERT_TRUE(taken);
    EXPECT_TRUE(taken->isPlaying);
    EXPECT_EQ(taken->album.title, QStringLiteral("Journey"));
    EXPECT_EQ(library->loadedTracks().size(), kTracks);
    EXPECT_TRUE(library->isPlaying());
    EXPECT_FALSE(runTask(library->takeOverOngoingPlayback()));
    // Pause reaches the taken-over queue, and stands though a poll on its
    // way when it was pressed answers "playing".
    auto poll = library->refreshStatus();
    library->pause();
    runTask(std::move(poll));
    EXPECT_FALSE(library->isPlaying());
    finish(*library);
    EXPECT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::paused; }));

    // The volume goes to the output's kind, a speaker's is kept for the next start.
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

TEST_F(LocalPlayerTest, TheLibraryReadsTheFolderTheRunningMusicPlayerPlays) {
    // Korvid's own idea of the folder is the user's empty XDG music folder,
    // while their MPD plays from elsewhere: every play would fail.
    const QString xdgMusic = home.filePath("Music");
    ASSERT_TRUE(QDir().mkpath(xdgMusic));
    auto library = unopenedLibrary(xdgMusic);
    ASSERT_TRUE(runTask(library->requestAuthorizationIfNeeded()));
    EXPECT_EQ(library->musicFolder(), album->folder);
    ASSERT_TRUE(waitUntil([&] { return !library->isScanning(); }, 20s));
    library->select(silent());
    library->play(handleOf(*library), 1, 0);
    finish(*library);
    EXPECT_TRUE(waitForMpd([](const MpdStatus& s) {
        return s.state == MpdPlayState::playing && s.songPosition == 1;
    }));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
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
    // Refreshing the speakers says why the player cannot be used, quietly.
    runTask(library->refreshSpeakers());
    EXPECT_EQ(library->musicAccessProblem(),
              "The music player couldn't be opened. Install mpd and try again.");
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

    // The speaker list no longer reports the player that is back as unusable.
    runTask(library->refreshSpeakers());
    EXPECT_EQ(library->musicAccessProblem(), std::nullopt);
}

} // namespace
