#pragma once

// The whole main window over the local player's fixture (a real MPD and
// shairport-sync speakers) and the Spotify stand-in, signed in.
#include "AppModels.h"
#include "musicapp/LocalPlayerFixture.h"
#include "spotify/SpotifyStandIn.h"
#include "support/QuickView.h"

#include "platform/Keychain.h"
#include "platform/WebAuthSession.h"
#include "spotify/SpotifyAuthManager.h"
#include "ui/SpotifySignIn.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>

class LocalWindowTest : public LocalPlayerTest {
protected:
    void show(MusicSource source) {
        network.setProxy(QNetworkProxy::NoProxy);
        sources.setCurrent(source);
        // Signed in, as the stored sign-in reads at start.
        auth.setTokens(TokenStore{"access-1", "refresh-1", clock.now().addSecs(3600), {}});
        runTask(auth.loadStoredTokens());
        library = makeLibrary();
        models = std::make_unique<AppModels>(api, *library, sources, filters, clock);
        ASSERT_TRUE(view.showMainWindow(models->ui(auth, signIn)));
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
    std::unique_ptr<AppleMusicLibrary> library;
    std::unique_ptr<AppModels> models;
    QuickView view;
};
