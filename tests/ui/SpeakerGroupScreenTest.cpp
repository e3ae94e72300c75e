// Two legacy speakers playing one album as a group, put together in the
// main window's speaker sheet as a person does, over two shairport-sync
// receivers.
#include "LocalWindowFixture.h"

namespace {

class SpeakerGroupScreen : public LocalWindowTest {
protected:
    bool shows(const QString& name) { return view.visible(name.toUtf8().constData()); }
    void click(const QString& name) {
        view.click(name.toUtf8().constData());
        finish(*library);
    }
    QStringList streamedTo() {
        QStringList names;
        for (const AirPlay1Speaker& speaker : library->speakersStreamedTo())
            names << speaker.name;
        return names;
    }
    // Sound arrives at `receiver` after this call: what it says.
    static std::optional<Heard> heardFromNow(ShairportSpeaker& receiver) {
        return firstSound(receiver, receiver.pcm().size());
    }
};

TEST_F(SpeakerGroupScreen, ASecondSpeakerJoinsLeavesAndOutlivesTheFirst) {
    KORVID_REQUIRE_SHAIRPORT();
    KORVID_REQUIRE_LOCAL_AVAHI();
    ShairportSpeaker kitchen(QStringLiteral("Kitchen"));
    ShairportSpeaker living(QStringLiteral("Living Room"));
    ASSERT_NO_FATAL_FAILURE(show(MusicSource::appleMusic));
    const auto first = startSpeaker(kitchen, *library);
    const auto second = startSpeaker(living, *library);
    ASSERT_TRUE(first && second);
    const QString alsoPlay = "alsoPlay:legacy:" + second->id;

    library->select(SpeakerOutput::legacy(*first));
    finish(*library);
    runTask(models->playback.play(library->albums().first().unified(), 0, 0));
    finish(*library);
    ASSERT_TRUE(heardFromNow(kitchen));
    // Far enough in that a join from the album's start would show.
    QTest::qWait(2500);

    view.click("speakerPickerButton");
    ASSERT_TRUE(waitUntil([&] { return shows(alsoPlay); }));
    // Only another legacy speaker can join: not the one playing, nor an MPD output.
    EXPECT_FALSE(shows("alsoPlay:legacy:" + first->id));
    EXPECT_FALSE(shows("alsoPlay:music:Silent"));
    EXPECT_EQ(view.property(alsoPlay.toUtf8().constData(), "text").toString(), "Also play here");
    const qsizetype livingBefore = living.pcm().size();
    click(alsoPlay);
    EXPECT_EQ(streamedTo(), (QStringList{"Kitchen", "Living Room"}));
    const auto joined = firstSound(living, livingBefore);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->track, 0);
    EXPECT_GT(joined->seconds, 2.0) << "the new speaker starts where the album is";
    EXPECT_TRUE(heardFromNow(kitchen)) << "the first speaker plays on";
    EXPECT_TRUE(shows("speakerVolume:legacy:" + first->id));
    EXPECT_TRUE(shows("speakerVolume:legacy:" + second->id));
    EXPECT_TRUE(view.saveScreen("speaker-group-sheet"));
    view.click("speakerPickerDone");
    EXPECT_TRUE(waitUntil([&] { return textOf("outputName") == "Kitchen + Living Room"; }));
    EXPECT_TRUE(view.saveScreen("speaker-group-bar"));

    // Taken out, it falls silent; the first plays on alone.
    view.click("speakerPickerButton");
    ASSERT_TRUE(waitUntil([&] { return shows(alsoPlay); }));
    click(alsoPlay);
    EXPECT_EQ(streamedTo(), QStringList{"Kitchen"});
    QTest::qWait(3000); // what it held plays out
    const qsizetype livingAfter = living.pcm().size();
    EXPECT_TRUE(heardFromNow(kitchen));
    EXPECT_EQ(living.pcm().size(), livingAfter);
    EXPECT_EQ(textOf("outputName"), "Kitchen");

    // The first speaker gone for good: the second plays on, now as the
    // output, and the person is told once.
    click(alsoPlay);
    ASSERT_EQ(streamedTo(), (QStringList{"Kitchen", "Living Room"}));
    view.click("speakerPickerDone");
    kitchen.kill();
    clock.advance(10s);
    ASSERT_TRUE(waitUntil([&] { return view.visible("playbackErrorAlert"); }, 10s));
    EXPECT_EQ(textOf("playbackErrorMessage"), "Lost the connection to Kitchen.");
    EXPECT_TRUE(view.saveScreen("speaker-group-lost"));
    view.click("dismissErrorButton");
    EXPECT_TRUE(waitUntil([&] { return textOf("outputName") == "Living Room"; }));
    EXPECT_EQ(library->outputID(), "legacy:" + second->id);
    EXPECT_TRUE(library->isPlaying());
    EXPECT_TRUE(heardFromNow(living));
    clock.advance(10s);
    QTest::qWait(500);
    EXPECT_FALSE(view.visible("playbackErrorAlert"));
}

} // namespace
