#pragma once

// The whole main window over the local player's fixture (a real MPD and
// shairport-sync speakers) and the Spotify stand-in, signed in.
#include "AppModels.h"
#include "musicapp/LocalPlayerFixture.h"
#include "spotify/SpotifyStandIn.h"
#include "support/QuickView.h"

#include "platform/WebAuthSession.h"
#include "spotify/SpotifyAuthManager.h"
#include "ui/CoverImages.h"
#include "ui/SpeakerListPresenter.h"
#include "ui/SpotifySignIn.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>

class LocalWindowTest : public LocalPlayerTest {
protected:
    // Over `made`, by default a library over the private MPD; the covers
    // drawn as main() has them when asked.
    void show(MusicSource source, std::unique_ptr<AppleMusicLibrary> made = {},
              bool drawCovers = false) {
        network.setProxy(QNetworkProxy::NoProxy);
        sources.setCurrent(source);
        auth =
            std::make_unique<SpotifyAuthManager>(network, *keychain, clock, standIn.accountsBase());
        api = std::make_unique<SpotifyAPI>(*auth, network, standIn.apiBase());
        signIn = std::make_unique<SpotifySignIn>(*auth, webAuth, sources);
        // Signed in, as the stored sign-in reads at start.
        auth->setTokens(TokenStore{"access-1", "refresh-1", clock.now().addSecs(3600), {}});
        runTask(auth->loadStoredTokens());
        library = made ? std::move(made) : makeLibrary();
        models = std::make_unique<AppModels>(*api, *library, sources, filters, clock);
        UiModels ui = models->ui(*auth, *signIn);
        if (drawCovers)
            ui.covers = &covers;
        ASSERT_TRUE(view.showMainWindow(ui));
        speakers = view.window()->property("speakers").value<SpeakerListPresenter*>();
    }
    QString textOf(const char* name) { return view.property(name, "text").toString(); }

    SpotifyStandIn standIn;
    QNetworkAccessManager network;
    // A test may put a real Secret Service in its place before show().
    std::unique_ptr<Keychain> keychain = std::make_unique<MemoryKeychain>();
    MusicSourceSettings sources;
    AlbumFilterSettings filters;
    WebAuthSession webAuth{[](const QUrl&) { return true; }};
    std::unique_ptr<SpotifyAuthManager> auth;
    std::unique_ptr<SpotifyAPI> api;
    std::unique_ptr<SpotifySignIn> signIn;
    // In this order, so each goes before what it uses.
    CoverImages covers{home.filePath("cover-cache")};
    std::unique_ptr<AppleMusicLibrary> library;
    std::unique_ptr<AppModels> models;
    QuickView view;
    // The window's speaker list, behind both speaker sheets.
    SpeakerListPresenter* speakers = nullptr;
};
