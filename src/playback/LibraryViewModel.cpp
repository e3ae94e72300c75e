#include "playback/LibraryViewModel.h"

#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "musicapp/AppleMusicLibrary.h"
#include "platform/KorvidError.h"
#include "playback/AlbumCollection.h"
#include "playback/AlbumRecordCache.h"
#include "playback/AlbumSearch.h"
#include "playback/GenreChips.h"
#include "spotify/SavedAlbumConversion.h"
#include "spotify/SpotifyAPI.h"

#include <QPointer>

LibraryViewModel::LibraryViewModel(SpotifyAPI& api, AppleMusicLibrary& appleMusic,
                                   MusicSourceSettings& sourceSettings,
                                   AlbumFilterSettings& filterSettings,
                                   std::shared_ptr<AlbumRecordCache> records, QObject* parent)
    : AlbumPage(appleMusic, sourceSettings, filterSettings, std::move(records), parent)
    , api_(api)
    , selectedGenre_(Genre::all()) {}

LibraryViewModel::~LibraryViewModel() = default;

QCoro::Task<> LibraryViewModel::load() {
    return loadAlbums(true);
}

void LibraryViewModel::reloadLocal() {
    loadAlbums(!spotifyRecords_);
}

QCoro::Task<> LibraryViewModel::loadAlbums(bool fetchSpotify) {
    QPointer<LibraryViewModel> self(this);
    beginLoad();
    const MusicSource source = sourceSettings_.current();

    std::optional<QString> failure;
    QList<AlbumRecord> records;
    try {
        if (MusicSources::includesSpotify(source)) {
            if (fetchSpotify || !spotifyRecords_) {
                const QList<SpotifySavedAlbum> saved =
                    co_await api_.savedAlbums(savedAlbumsPageSize, savedAlbumsMaximum);
                if (!self)
                    co_return;
                QList<AlbumRecord> spotify;
                spotify.reserve(saved.size());
                for (const SpotifySavedAlbum& item : saved)
                    spotify.append(records_->wrap(unifiedFromSavedAlbum(item.album, item.addedAt)));
                spotifyRecords_ = std::move(spotify);
            }
            records = *spotifyRecords_;
        }
        if (MusicSources::includesAppleMusic(source) && !co_await appendLocalAlbums(records))
            co_return;
    } catch (const KorvidError& error) {
        failure = error.description();
    }
    if (!self)
        co_return;
    if (failure) {
        setErrorMessage(failure);
    } else {
        const QList<AlbumRecord> kept =
            AlbumCollection::finish(std::move(records), filterSettings_.minTracksPerAlbum(), true);
        albums_ = AlbumCollection::displayAlbums(kept);
        searchKeys_.clear();
        searchKeys_.reserve(kept.size());
        for (const AlbumRecord& record : kept)
            searchKeys_.append(record.searchKey);
        Q_EMIT albumsChanged();
        updateGenreChips(albums_);
        updateFiltered();
    }
    endLoad();
}

void LibraryViewModel::reload() {
    load();
}

void LibraryViewModel::updateFiltered() {
    const bool all = selectedGenre_ == Genre::all();
    if (all && searchWords_.isEmpty()) {
        filteredModel_.setAlbums(albums_);
        return;
    }
    QList<qsizetype> rows;
    rows.reserve(albums_.size());
    for (qsizetype i = 0; i < albums_.size(); ++i) {
        if ((all || albums_[i].genre == selectedGenre_) &&
            AlbumSearch::matches(searchKeys_[i], searchWords_))
            rows.append(i);
    }
    filteredModel_.setAlbums(albums_, rows);
}

void LibraryViewModel::setSelectedGenre(const Genre& genre) {
    if (genre == selectedGenre_)
        return;
    const Genre previous = selectedGenre_;
    selectedGenre_ = genre;
    Q_EMIT selectedGenreChanged();
    noteGenreChoice(previous, genre, albums_);
    updateFiltered();
}

void LibraryViewModel::selectGenre(const QString& genreID) {
    setSelectedGenre(genreForID(genreID));
}

void LibraryViewModel::setSearchText(const QString& text) {
    if (text == searchText_)
        return;
    searchText_ = text;
    Q_EMIT searchTextChanged();
    QStringList words = AlbumSearch::wordsOf(text);
    if (words == searchWords_)
        return; // only blanks changed
    searchWords_ = std::move(words);
    updateFiltered();
}
