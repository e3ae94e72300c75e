// The Up Next card's preview over the Spotify stand-in: asked for only when
// the button is pressed, once per album, the button gone for an album
// without a clip, and no answer of an earlier album taken for the current one.
#include "ui/PreviewPresenter.h"
#include "spotify/SpotifyFixture.h"
#include "support/PulseAudioServer.h"
#include "support/QtPrinting.h"
#include "support/RequiredPeers.h"
#include "support/TestAudio.h"
#include "ui/PreviewPlayer.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

// Leak checks unwind every allocation's stack in full: the media back end's
// own leak is told by its library's frame, which the fast unwinder misses.
extern "C" const char* __lsan_default_options() {
    return "fast_unwind_on_malloc=0";
}

namespace {

class RecordingPreviewPlayer final : public PreviewPlayer {
public:
    void play(const QUrl& url) override { played.append(url); }
    void stop() override { ++stops; }
    QList<QUrl> played;
    int stops = 0;
};

class PreviewPresenterTest : public SpotifyFixture {
protected:
    PreviewPresenterTest() {
        signIn();
        standIn.onJson("GET", "/v1/albums/clip/tracks", 200,
                       R"({"items":[{"preview_url":null},{"preview_url":"https://p.test/clip"}]})");
        standIn.onJson("GET", "/v1/albums/none/tracks", 200,
                       R"({"items":[{"preview_url":null},{"name":"t"}]})");
        standIn.onJson("GET", "/v1/albums/broken/tracks", 404, "{}");
    }

    // Counts the answers the presenter was handed, stale ones included.
    PreviewPresenter::Lookup lookup() {
        return [this](QString albumID) -> QCoro::Task<std::optional<QUrl>> {
            struct Count {
                int& answers;
                ~Count() { ++answers; } // failures too
            } count{answers};
            co_return co_await api->firstPreviewURL(std::move(albumID));
        };
    }

    void waitForAnswers(int count) {
        QTRY_COMPARE_WITH_TIMEOUT(answers, count, 5000);
        ASSERT_EQ(answers, count);
    }

    RecordingPreviewPlayer player;
    int answers = 0;
};

TEST_F(PreviewPresenterTest, PlaysAndStopsTheClipAndStopsWhenTheAlbumChanges) {
    PreviewPresenter preview(lookup(), player);
    preview.setAlbumID("clip");
    EXPECT_EQ(preview.symbol(), "play.circle.fill");
    preview.togglePreview();
    waitForAnswers(1);
    EXPECT_EQ(player.played, QList<QUrl>{QUrl("https://p.test/clip")});
    EXPECT_TRUE(preview.isPlaying());
    EXPECT_EQ(preview.symbol(), "stop.circle.fill");
    preview.togglePreview(); // a second press
    EXPECT_FALSE(preview.isPlaying());
    EXPECT_EQ(player.stops, 1);

    preview.togglePreview(); // the address is kept: no second question
    Q_EMIT player.ended();   // the clip ran out
    EXPECT_FALSE(preview.isPlaying());
    preview.togglePreview();
    preview.setAlbumID("none");
    EXPECT_FALSE(preview.isPlaying());
    EXPECT_EQ(player.stops, 2);
    preview.togglePreview(); // no address: nothing to play
    waitForAnswers(2);
    EXPECT_EQ(player.played.size(), 3);
    EXPECT_EQ(standIn.requestsTo("/v1/albums/clip/tracks").size(), 1u);
    // A failed question is no clip either: the button goes.
    preview.setAlbumID("broken");
    preview.togglePreview();
    waitForAnswers(3);
    EXPECT_FALSE(preview.hasPreview());
    EXPECT_FALSE(preview.isLoading());
}

TEST_F(PreviewPresenterTest, AnAnswerForThePreviousAlbumOrAClosedSheetPlaysNothing) {
    standIn.on("GET", "/v1/albums/slow/tracks", [](const SpotifyStandIn::Request&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return SpotifyStandIn::Reply{.body =
                                         R"({"items":[{"preview_url":"https://p.test/slow"}]})"};
    });
    PreviewPresenter preview(lookup(), player);
    preview.setAlbumID("slow");
    preview.togglePreview();
    preview.setAlbumID("none");
    waitForAnswers(1);
    EXPECT_FALSE(preview.isLoading());
    EXPECT_TRUE(preview.hasPreview()); // "none" is not asked yet

    preview.setAlbumID("slow");
    preview.togglePreview();
    preview.stopPreview(); // the sheet closed
    EXPECT_FALSE(preview.isLoading());
    waitForAnswers(2);
    EXPECT_TRUE(player.played.isEmpty());
    EXPECT_FALSE(preview.isPlaying());
}

// The real player, on a private PulseAudio: a clip plays to its end, and a
// file that is no audio ends too, so the button never stays on "stop".
TEST(MediaPreviewPlayerTest, EndsAfterAPlayedClipAndAfterOneThatCannotPlay) {
    PulseAudioServer pulse;
    if (!pulse.start())
        KORVID_PEER_MISSING("pulseaudio did not start: " + pulse.errorText().toStdString());
    pulse.exportToThisProcess();
    TestTracks tracks;
    const QUrl clip = tracks.tone(QStringLiteral("clip.mp3"), 440, 44100 / 2, {});
    ASSERT_FALSE(clip.isEmpty());
    MediaPreviewPlayer player;
    for (const QUrl& url : {clip, tracks.text(QStringLiteral("bad.mp3"))}) {
        SCOPED_TRACE(url.fileName().toStdString());
        QSignalSpy ended(&player, &PreviewPlayer::ended);
        QElapsedTimer clock;
        clock.start();
        player.play(url);
        EXPECT_TRUE(ended.wait(10000));
        // A clip that failed would end at once; a played one lasts its half second.
        if (url == clip) {
            EXPECT_GE(clock.elapsed(), 400);
        }
        player.stop();
    }
}

} // namespace
