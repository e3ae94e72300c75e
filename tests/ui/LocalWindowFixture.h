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
        // Signed in, as the stored sign-in reads at start.
        auth.setTokens(TokenStore{"access-1", "refresh-1", clock.now().addSecs(3600), {}});
        runTask(auth.loadStoredTokens());
        library = made ? std::move(made) : makeLibrary();
        models = std::make_unique<AppModels>(api, *library, sources, filters, clock);
        UiModels ui = models->ui(auth, signIn);
        if (drawCovers)
            ui.covers = &covers;
        ASSERT_TRUE(view.showMainWindow(ui));
    }

    SpotifyStandIn standIn;
    QNetworkAccessManager network;
    MemoryKeychain keychain;
    SpotifyAuthManager auth{network, keychain, clock, standIn.accountsBase()};
    SpotifyAPI api{auth, network, standIn.apiBase()};
    MusicSourceSettings sources;
    AlbumFilterSettings filters;
    WebAuthSession webAuth{[](const QUrl&) { return true; }};
    SpotifySignIn signIn{auth, webAuth, sources};
    // In this order, so each goes before what it uses.
    CoverImages covers{home.filePath("cover-cache")};
    std::unique_ptr<AppleMusicLibrary> library;
    std::unique_ptr<AppModels> models;
    QuickView view;
};
