// The local player finding its outputs again: a shairport-sync speaker that
// sleeps and wakes on the private avahi-daemon, and a hand-over with nothing
// to carry over.
#include "LocalPlayerFixture.h"

#include <QTest>

namespace {

using FoundOutput = detail::TaskOutcome<std::optional<SpeakerOutput>>;

// Moves the fake clock on by `steps` polls of a speaker wait, letting each run.
void pollFor(FakeClock& clock, int steps) {
    for (int i = 0; i < steps; ++i) {
        clock.advance(300ms);
        QTest::qWait(20);
    }
}

TEST_F(LocalPlayerTest, ASleepingSpeakerIsWaitedForAndPlayContinuesThereOnceItWakes) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    auto den = std::make_unique<ShairportSpeaker>(QStringLiteral("Den"));
    auto library = makeLibrary();
    const auto toDen = startSpeaker(*den, *library);
    ASSERT_TRUE(toDen);
    const ListeningSession::Device stored =
        ListeningSession::Device::LegacyAirPlay{toDen->id, "Den"};
    auto listedPort = [&]() -> std::optional<quint16> {
        for (const SpeakerOption& option : speakerOptionsOf(*library)) {
            if (option.isAvailable && option.output.isLegacy() &&
                option.output.legacySpeaker().id == toDen->id) {
                return option.output.legacySpeaker().endpoint.port;
            }
        }
        return std::nullopt;
    };
    library->select(SpeakerOutput::legacy(*toDen));
    finish(*library);
    const QDateTime added = library->albums().first().unified().sortDate;
    library->play(handleOf(*library), 2, 30.0);
    finish(*library);
    ASSERT_TRUE(firstSound(*den, 0));
    // A play on a speaker counts as much as one through MPD.
    EXPECT_GT(library->albums().first().unified().sortDate, added);
    QTest::qWait(500);

    // It sleeps: its service goes, and the keep-alive notices within its 10 s.
    den.reset();
    const auto lost = std::chrono::steady_clock::now();
    clock.advance(10s);
    ASSERT_TRUE(waitUntil([&] { return !errors.isEmpty(); }, 12s));
    EXPECT_LT(std::chrono::steady_clock::now() - lost, 12s);
    clock.advance(10s);
    ASSERT_TRUE(waitUntil([&] { return !listedPort(); }));
    EXPECT_EQ(errors, QStringList{"Lost the connection to Den."});
    EXPECT_FALSE(library->isPlaying());
    const auto place = runTask(library->currentPosition());
    ASSERT_TRUE(place);
    EXPECT_EQ(place->index, 2);
    EXPECT_GT(place->seconds, 30.0);

    // It wakes on another port while the wait is on.
    auto woken = std::make_shared<FoundOutput>();
    detail::awaitInto(library->availableOutput(stored), woken);
    pollFor(clock, 16);
    EXPECT_FALSE(woken->value);
    ShairportSpeaker again(QStringLiteral("Den"));
    ASSERT_NE(again.port(), toDen->endpoint.port);
    ASSERT_TRUE(again.start()) << again.errorText().toStdString();
    ASSERT_TRUE(waitUntil([&] { return listedPort() == again.port(); }));
    pollFor(clock, 2);
    ASSERT_TRUE(woken->value && *woken->value);
    EXPECT_EQ((*woken->value)->id(), SpeakerOutput::legacy(*toDen).id());
    EXPECT_EQ((*woken->value)->legacySpeaker().endpoint.port, again.port());

    library->togglePlayPause();
    finish(*library);
    const auto heard = firstSound(again, 0);
    ASSERT_TRUE(heard);
    EXPECT_EQ(heard->track, 2);
    EXPECT_NEAR(heard->seconds, place->seconds, 0.5);
    EXPECT_EQ(errors.size(), 1) << errors.join("; ").toStdString();
}

// A hand-over to a speaker that finds no place to carry over ends without
// sound: it says why, and the player no longer says it plays. Nor does a
// pause stop the user's own music.
TEST_F(LocalPlayerTest, AHandOverWithNothingToCarryOverSaysWhy) {
    auto library = makeLibrary();
    playOnMpd(*library, 0, 0);
    // The user's own queue took over in the music player meanwhile.
    auto client = mpd.connect();
    client->appendToStoredPlaylist("Mine", album->files[0]);
    client->replaceQueueWith("Mine");
    client->playPosition(0);
    library->select(nowhere());
    finish(*library);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], "Couldn't play to Nowhere. The music player is playing something other "
                         "than Korvid's queue.");
    EXPECT_FALSE(library->isPlaying());

    // Once a poll has seen the user's own queue, a pause leaves their music playing.
    errors.clear();
    playOnMpd(*library, 0, 0);
    client->replaceQueueWith("Mine");
    client->playPosition(0);
    runTask(library->refreshStatus());
    library->pause();
    finish(*library);
    EXPECT_EQ(mpdStatus().state, MpdPlayState::playing);

    // The music player went away while Korvid played on it.
    playOnMpd(*library, 0, 0);
    mpd.daemon().kill();
    library->select(nowhere());
    finish(*library);
    EXPECT_TRUE(std::any_of(errors.begin(), errors.end(), [](const QString& e) {
        return e.startsWith("Couldn't play to Nowhere. ");
    })) << errors.join("; ").toStdString();
    EXPECT_FALSE(library->isPlaying());
}

} // namespace
