// The tray panel as a person opens it: what plays, the latest albums and
// more of the same genre, over the coordinator and the Spotify stand-in.
#include "AppModels.h"
#include "playback/CoordinatorFixture.h"
#include "support/QuickView.h"
#include "ui/SpotifySignIn.h"
#include "ui/TrayPanelPresenter.h"

#include "platform/WebAuthSession.h"

#include <QJsonDocument>
#include <QSignalSpy>

namespace {

class TrayPanelScreen : public SpotifyFixture {
protected:
    TrayPanelScreen() {
        signIn();
        sources.setCurrent(MusicSource::spotify);
        standIn.onJson("GET", "/v1/me/player", 204, "");
        standIn.onJson("PUT", "/v1/me/player/play", 204, "");
    }

    // Albums played with Korvid, oldest first, each a minute after the last.
    void played(const std::vector<std::pair<QString, QString>>& albums) {
        for (const auto& [id, genre] : albums) {
            UnifiedAlbum album = spotifyAlbum(id);
            album.rawGenres = {genre};
            album.trackCount = 10;
            clock.advance(std::chrono::minutes(1));
            models.history.recordPlay(album);
        }
    }

    // Opens the panel as the tray icon does and waits for its task.
    void open() {
        ASSERT_TRUE(view.loadTrayPanel(models.ui(*auth, signInPresenter)));
        tray = view.window()->property("tray").value<TrayPanelPresenter*>();
        ASSERT_NE(tray, nullptr);
        QSignalSpy picked(tray, &TrayPanelPresenter::sameGenreChanged);
        view.window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.window()));
        ASSERT_TRUE(waitUntil([&] { return picked.count() == 1; }));
    }

    // The albums of `ids` shown in rows named `prefix` and the album id, top
    // to bottom.
    QStringList shown(const QString& prefix, const QStringList& ids) const {
        std::map<qreal, QString> rows;
        for (const QString& id : ids) {
            const QByteArray name = (prefix + QStringLiteral("spotify-") + id).toUtf8();
            if (view.visible(name.constData())) {
                auto* row = qobject_cast<QQuickItem*>(view.find(name.constData()));
                rows[row->mapToScene({0, 0}).y()] = id;
            }
        }
        QStringList found;
        for (const auto& [y, id] : rows)
            found.append(id);
        return found;
    }
    // Rows appear when the lists next lay themselves out.
    void expectRows(const QString& prefix, const QStringList& expected, const QStringList& all) {
        EXPECT_TRUE(waitUntil([&] { return shown(prefix, all) == expected; }))
            << prefix.toStdString() << " shows " << shown(prefix, all).join(",").toStdString();
        EXPECT_EQ(view.visible((prefix + QStringLiteral("empty")).toUtf8().constData()),
                  expected.isEmpty());
    }
    void expectSections(const QStringList& recent, const QString& title,
                        const QStringList& sameGenre, const QStringList& all) {
        expectRows(QStringLiteral("recentAlbum-"), recent, all);
        EXPECT_EQ(view.property("sameGenreTitle", "text").toString(), title);
        expectRows(QStringLiteral("sameGenreAlbum-"), sameGenre, all);
    }

    MusicSourceSettings sources;
    AlbumFilterSettings filters;
    WebAuthSession webAuth{[](const QUrl&) { return true; }};
    SpotifySignIn signInPresenter{*auth, webAuth, sources};
    AppleMusicLibrary appleMusic{home.filePath("Music")};
    AppModels models{*api, appleMusic, sources, filters, clock};
    QuickView view;
    TrayPanelPresenter* tray = nullptr;
};

TEST_F(TrayPanelScreen, WithoutRecentAlbumsItIsMoreLikeThisAndEmpty) {
    open();
    expectSections({}, "More Like This", {}, {});
    EXPECT_EQ(view.property("trayNowPlaying", "text").toString(), "Not Playing");
    EXPECT_EQ(standIn.requestsTo("/v1/me/player").size(), 1u);
    EXPECT_EQ(tray->toolTip(), "Korvid: Not Playing");
    EXPECT_TRUE(view.saveScreen("tray-empty"));
}

TEST_F(TrayPanelScreen, WhatPlaysPicksTheGenreAndARowPlaysItsAlbum) {
    // The latest album is rock, but jazz plays.
    played({{"r1", "rock"}, {"j2", "jazz"}, {"r2", "rock"}, {"abc", "jazz"}, {"r3", "rock"}});
    standIn.onJson("GET", "/v1/me/player", 200, kPlayingOnDen);
    open();
    const QStringList all{"r1", "j2", "r2", "abc", "r3"};
    expectSections({"r3", "abc", "r2"}, "More Soul, Jazz & Blues", {"j2"}, all);
    EXPECT_EQ(view.property("trayNowPlaying", "text").toString(), "Song");
    EXPECT_EQ(view.property("trayNowPlayingArtist", "text").toString(), "Ann — Album");
    EXPECT_EQ(tray->toolTip(), "Song – Ann\nAlbum");
    EXPECT_TRUE(view.saveScreen("tray-playing"));

    // Without a known device the panel says so, even with the window closed.
    view.click("sameGenreAlbum-spotify-j2");
    ASSERT_TRUE(waitUntil([&] { return view.visible("trayError"); }));
    EXPECT_EQ(view.property("trayError", "text").toString(),
              QString::fromUtf8(PlaybackViewModel::noDeviceMessage));
    EXPECT_TRUE(view.saveScreen("tray-error"));

    // The devices Home asks for when it appears.
    standIn.onJson("GET", "/v1/me/player/devices", 200, devicesJson({{"d2", true}}));
    runTask(models.playback.refreshDevices());
    clock.advance(std::chrono::minutes(1));
    view.click("sameGenreAlbum-spotify-j2");
    ASSERT_TRUE(waitUntil([&] { return standIn.requestsTo("/v1/me/player/play").size() == 1; }));
    EXPECT_FALSE(view.visible("trayError"));
    const auto play = standIn.requestsTo("/v1/me/player/play").front();
    EXPECT_EQ(play.query(), "device_id=d2");
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(play.body))
                  .object()
                  .value("context_uri")
                  .toString(),
              "spotify:album:j2");
    // The play is recorded, and the list above follows at once.
    expectRows(QStringLiteral("recentAlbum-"), {"j2", "r3", "abc"}, all);
}

} // namespace
