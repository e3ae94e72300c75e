#include "ui/AlbumPages.h"

#include "model/MusicSourceSettings.h"
#include "musicapp/AppleMusicLibrary.h"
#include "playback/AlbumListModel.h"
#include "playback/HomeViewModel.h"
#include "playback/LibraryViewModel.h"
#include "playback/PlaybackViewModel.h"

#include <QPointer>

AlbumPages::AlbumPages(HomeViewModel& home, LibraryViewModel& library, PlaybackViewModel& playback,
                       MusicSourceSettings& sources, AppleMusicLibrary* localLibrary,
                       QObject* parent)
    : QObject(parent)
    , home_(home)
    , library_(library)
    , playback_(playback)
    , sources_(sources)
    , localLibrary_(localLibrary) {
    // At once: the library says its first scan has ended only after this,
    // and a page must not claim it has no albums in between.
    if (localLibrary) {
        connect(localLibrary, &AppleMusicLibrary::albumsChanged, this,
                &AlbumPages::showLocalChanges);
    }
    connect(&sources, &MusicSourceSettings::currentChanged, this, [this] {
        if (homeShown_) {
            loadHome();
        }
        if (libraryShown_) {
            library_.reload();
        }
    });
    connect(&playback_, &PlaybackViewModel::nowPlayingChanged, this, &AlbumPages::markPlaying);
    markPlaying();
}

void AlbumPages::setHomeShown(bool shown) {
    if (homeShown_ == shown) {
        return;
    }
    homeShown_ = shown;
    Q_EMIT homeShownChanged();
    if (shown) {
        loadHome();
    }
}

void AlbumPages::setLibraryShown(bool shown) {
    if (libraryShown_ == shown) {
        return;
    }
    libraryShown_ = shown;
    Q_EMIT libraryShownChanged();
    if (shown) {
        library_.reload();
    }
}

void AlbumPages::loadHome() {
    // The albums first, then the Spotify devices a Spotify album would play on.
    [](QPointer<HomeViewModel> home, QPointer<PlaybackViewModel> playback) -> QCoro::Task<> {
        co_await home->load();
        if (playback) {
            co_await playback->refreshDevices();
        }
    }(&home_, &playback_);
}

void AlbumPages::play(const QString& albumID) {
    for (AlbumListModel* list :
         {home_.recentlyPlayedModel(), home_.discoverModel(), library_.filteredModel()}) {
        if (const DisplayAlbum* album = list->albumWithID(albumID)) {
            playback_.play(album->album, 0, 0);
            return;
        }
    }
}

void AlbumPages::shuffleDiscover() {
    home_.shuffleDiscover(playback_);
}

void AlbumPages::reloadHome() {
    rescanLocal();
    home_.reload();
}

void AlbumPages::reloadLibrary() {
    rescanLocal();
    library_.reload();
}

void AlbumPages::rescanLocal() {
    // What the scan finds reaches the pages as a new snapshot.
    if (localLibrary_ && MusicSources::includesAppleMusic(sources_.current())) {
        localLibrary_->rescan();
    }
}

void AlbumPages::showLocalChanges() {
    if (!MusicSources::includesAppleMusic(sources_.current())) {
        return;
    }
    if (homeShown_) {
        home_.reload();
    }
    if (libraryShown_) {
        library_.reloadLocal();
    }
}

void AlbumPages::markPlaying() {
    const QString id = playback_.nowPlayingAlbumIDText();
    for (AlbumListModel* list :
         {home_.recentlyPlayedModel(), home_.discoverModel(), library_.filteredModel()}) {
        list->setNowPlayingAlbumID(id);
    }
}
