// Whole journeys through the coordinator with nothing faked on the way:
// the local player on a private MPD, shairport-sync as a legacy speaker,
// and a private pulseaudio whose recordings stand for a call.
#include "LocalCoordinatorFixture.h"

#include "model/ListeningSessionStore.h"
#include "musicapp/MicrophoneMonitor.h"
#include "support/PulseAudioServer.h"
#include "support/QtPrinting.h"

#include <QElapsedTimer>
#include <QTest>

#include <iostream>

namespace {

class PlaybackJourney : public LocalCoordinatorTest {
protected:
    // As the refresh loop does: the player's status, then the session; the
    // session the next start reads.
    std::optional<ListeningSession> recordSession(PlaybackViewModel& playback) {
        runTask(playback.refreshAppleMusic());
        runTask(playback.recordListeningSession());
        return ListeningSessionStore().previousLaunch();
    }

    // runTask for tasks that wait on the clock.
    template <typename T> T runFollowingTime(QCoro::Task<T> task) {
        auto result = std::make_shared<std::optional<T>>();
        [](QCoro::Task<T> task, std::shared_ptr<std::optional<T>> into) -> QCoro::Task<> {
            into->emplace(co_await std::move(task));
        }(std::move(task), result);
        if (!waitFollowingTime([&] { return result->has_value(); }, 30s)) {
            throw TaskTimedOut();
        }
        return std::move(**result);
    }
};

TEST_F(PlaybackJourney, OnALegacySpeakerTheTrackAndSeeksAreHeardAndItResumesThere) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    ShairportSpeaker den(QStringLiteral("Den"));
    auto library = makeLibrary();
    auto playback = makeCoordinator(*library);
    const auto speaker = startSpeaker(den, *library);
    ASSERT_TRUE(speaker);
    playOn(*library, *playback, SpeakerOutput::legacy(*speaker), 2, 20.0);
    const auto start = firstSound(den, 0);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->track, 2);
    EXPECT_NEAR(start->seconds, 20, 1.0);
    // The third track is shown as itself, as the refresh loop reads it.
    waitFollowingTime([] { return false; }, 2500ms);
    runTask(playback->refreshAppleMusic());
    EXPECT_EQ(playback->nowPlayingTrackNameText(), "3 Leg");
    EXPECT_EQ(playback->nowPlayingAlbumTitle(), "Journey");
    EXPECT_EQ(playback->nowPlayingArtistNamesText(), "Korvid");
    EXPECT_EQ(playback->nowPlayingTrackNumber(), 3);
    EXPECT_EQ(playback->nowPlayingTrackIndex(), 2);
    EXPECT_NEAR(playback->durationMs(), 70000, 100);
    EXPECT_TRUE(playback->canSeek());
    const auto running = firstSound(den, den.pcm().size());
    ASSERT_TRUE(running);
    EXPECT_NEAR(double(playback->currentProgressMsNow()) / 1000, running->seconds, 0.3);

    runTask(playback->seek(40000));
    finish(*library);
    // Heard once the speaker has let go of what it held from before.
    waitFollowingTime([] { return false; }, 1s);
    const auto sought = firstSound(den, den.pcm().size());
    ASSERT_TRUE(sought);
    EXPECT_EQ(sought->track, 2);
    EXPECT_GT(sought->seconds, 40);
    EXPECT_LT(sought->seconds, 42.5);
    EXPECT_NEAR(double(playback->currentProgressMsNow()) / 1000, sought->seconds, 0.3);

    // Paused, a seek sets where play starts again.
    runTask(playback->togglePlayPause());
    finish(*library);
    runTask(playback->seek(50000));
    finish(*library);
    EXPECT_EQ(playback->currentProgressMsNow(), 50000);
    const qsizetype paused = den.pcm().size();
    runTask(playback->togglePlayPause());
    finish(*library);
    const auto resumed = firstSound(den, paused);
    ASSERT_TRUE(resumed);
    EXPECT_EQ(resumed->track, 2);
    EXPECT_NEAR(resumed->seconds, 50, 0.5);

    const auto session = recordSession(*playback);
    ASSERT_TRUE(session.has_value());
    const ListeningSession::Device onDen =
        ListeningSession::Device::LegacyAirPlay{speaker->id, "Den"};
    EXPECT_EQ(session->device, onDen);
    EXPECT_EQ(session->trackIndex, 2);

    // The next start offers the speaker and resumes there, at that place.
    playback.reset();
    library.reset();
    QTest::qWait(500);
    home.restartSettings();
    library = makeLibrary();
    playback = makeCoordinator(*library);
    const auto offer = runFollowingTime(playback->makeResumeOffer());
    ASSERT_TRUE(offer && offer->target);
    EXPECT_EQ(offer->target->id(), SpeakerOutput::legacy(*speaker).id());
    const qsizetype heardBefore = den.pcm().size();
    runTask(playback->resume(*offer));
    finish(*library);
    const auto again = firstSound(den, heardBefore);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->track, 2);
    EXPECT_NEAR(again->seconds, session->positionSeconds, 1.0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

// The next start finds the output the album played on by its name, even when
// MPD was moved to another meanwhile, and plays there from the stored place.
TEST_F(PlaybackJourney, OnMpdItResumesOnTheSameOutputWhereItWas) {
    auto library = makeLibrary();
    auto playback = makeCoordinator(*library);
    playOn(*library, *playback, silent(), 2, 20.0);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) {
        return s.state == MpdPlayState::playing && s.songPosition == 2 && s.elapsedSeconds >= 20;
    }));
    const auto session = recordSession(*playback);
    ASSERT_TRUE(session.has_value());
    const ListeningSession::Device onSilent = ListeningSession::Device::AirPlay{"Silent"};
    EXPECT_EQ(session->device, onSilent);
    EXPECT_EQ(session->trackIndex, 2);

    playback.reset();
    library.reset();
    {
        auto client = mpd.connect();
        client->pause();
        for (const MpdOutput& output : client->outputs()) {
            client->setOutputEnabled(output.id, output.name != "Silent");
        }
    }
    home.restartSettings();
    library = makeLibrary();
    playback = makeCoordinator(*library);
    const auto offer = runTask(playback->makeResumeOffer(), 20s);
    ASSERT_TRUE(offer && offer->target);
    EXPECT_EQ(offer->target->id(), "music:Silent");
    runTask(playback->resume(*offer));
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) {
        return s.state == MpdPlayState::playing && s.songPosition == 2;
    }));
    EXPECT_EQ(enabledOutput(), "Silent");
    EXPECT_NEAR(mpdStatus().elapsedSeconds, session->positionSeconds, 2.0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(PlaybackJourney, ACallPausesKorvidAndItsEndResumesButNeverAUsersPause) {
    PulseAudioServer server;
    if (ExternalDaemon::findProgram(QStringLiteral("parecord")).isEmpty()) {
        KORVID_PEER_MISSING("parecord is needed");
    }
    ASSERT_TRUE(server.start()) << server.errorText().toStdString();
    server.exportToThisProcess();
    auto library = makeLibrary();
    auto playback = makeCoordinator(*library, nullptr);
    playOn(*library, *playback, silent());
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::playing; }));
    const auto mpdIs = [&](MpdPlayState state) { return mpdStatus().state == state; };

    auto call =
        std::make_unique<PulseRecorder>(server, QString::fromLatin1(PulseAudioServer::kSourceName));
    ASSERT_TRUE(call->started());
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(waitFollowingTime([&] { return mpdIs(MpdPlayState::paused); }));
    std::cout << "paused " << timer.elapsed() << " ms after the recording began\n";
    EXPECT_TRUE(playback->isPausedForMicrophone());

    call->stop();
    timer.restart();
    ASSERT_TRUE(waitFollowingTime([&] { return mpdIs(MpdPlayState::playing); }));
    std::cout << "playing " << timer.elapsed() << " ms after it ended\n";
    EXPECT_GE(timer.elapsed(), MicrophoneMonitor::kReleaseDelay.count() - 100);
    EXPECT_TRUE(playback->isPlaying());

    // The user pauses; a call comes and goes; it stays paused.
    runTask(playback->togglePlayPause());
    finish(*library);
    ASSERT_TRUE(waitForMpd([](const MpdStatus& s) { return s.state == MpdPlayState::paused; }));
    call =
        std::make_unique<PulseRecorder>(server, QString::fromLatin1(PulseAudioServer::kSourceName));
    ASSERT_TRUE(waitFollowingTime([&] { return playback->microphone().isInUse(); }));
    call->stop();
    ASSERT_TRUE(waitFollowingTime([&] { return !playback->microphone().isInUse(); }));
    waitFollowingTime([] { return false; }, 1s);
    EXPECT_TRUE(mpdIs(MpdPlayState::paused));
    EXPECT_FALSE(playback->isPlaying());
}

} // namespace
