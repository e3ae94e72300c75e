#include "ui/ContentRootModel.h"

#include "model/MusicSourceSettings.h"
#include "spotify/SpotifyAuthManager.h"

ContentRootModel::ContentRootModel(MusicSourceSettings* sources, SpotifyAuthManager* auth,
                                   QObject* parent)
    : QObject(parent)
    , sources_(sources)
    , auth_(auth) {
    if (sources) {
        connect(sources, &MusicSourceSettings::currentChanged, this, &ContentRootModel::changed);
    }
    if (auth) {
        connect(auth, &SpotifyAuthManager::isAuthenticatedChanged, this,
                &ContentRootModel::changed);
        connect(auth, &SpotifyAuthManager::hasLoadedTokensChanged, this,
                &ContentRootModel::changed);
    }
}

bool ContentRootModel::spotifyWanted() const {
    return sources_ && MusicSources::includesSpotify(sources_->current());
}

bool ContentRootModel::tokensKnown() const {
    return auth_ && auth_->hasLoadedTokens();
}

bool ContentRootModel::showsSignIn() const {
    return spotifyWanted() && tokensKnown() && !auth_->isAuthenticated();
}

bool ContentRootModel::showsTabs() const {
    if (!spotifyWanted()) {
        return true;
    }
    return tokensKnown() && auth_->isAuthenticated();
}
