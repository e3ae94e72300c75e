#pragma once

#include "model/DisplayAlbum.h"
#include "playback/AlbumListModel.h"
#include "playback/AlbumPage.h"
#include "playback/AlbumRecordCache.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <optional>

class AlbumFilterSettings;
class AlbumRecordCache;
class AppleMusicLibrary;
class MusicSourceSettings;
class SpotifyAPI;

// The Library tab: up to 250 saved Spotify albums and every local album with
// a cover, newest first, filtered by a genre chip and by what the user types.
class LibraryViewModel : public AlbumPage {
    Q_OBJECT
    Q_PROPERTY(
        QString selectedGenre READ selectedGenreID WRITE selectGenre NOTIFY selectedGenreChanged)
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    Q_PROPERTY(int albumCount READ albumCount NOTIFY albumsChanged)
    Q_PROPERTY(AlbumListModel* filteredAlbums READ filteredModel CONSTANT)

public:
    static constexpr int savedAlbumsPageSize = 50;
    static constexpr int savedAlbumsMaximum = 250;

    // `records` may be shared with Home; a private one when null.
    LibraryViewModel(SpotifyAPI& api, AppleMusicLibrary& appleMusic,
                     MusicSourceSettings& sourceSettings, AlbumFilterSettings& filterSettings,
                     std::shared_ptr<AlbumRecordCache> records = nullptr,
                     QObject* parent = nullptr);
    ~LibraryViewModel() override;

    // Reads the albums of the chosen sources again. A failure of either
    // source leaves the albums as they were and sets errorMessage.
    QCoro::Task<> load();
    // load() for the views, which cannot wait for it.
    Q_INVOKABLE void reload();
    // The local albums read again, the Spotify ones kept from the last load
    // (fetched only when there are none yet): the local library changed.
    void reloadLocal();

    const QList<DisplayAlbum>& albums() const { return albums_; }
    int albumCount() const { return int(albums_.size()); }

    // The albums of the selected genre whose title or artist names hold every
    // word of the search text, in the order of albums().
    QList<DisplayAlbum> filteredAlbums() const { return filteredModel_.albums(); }

    const Genre& selectedGenre() const { return selectedGenre_; }
    void setSelectedGenre(const Genre& genre);
    QString selectedGenreID() const { return selectedGenre_.id; }
    Q_INVOKABLE void selectGenre(const QString& genreID);
    const QString& searchText() const { return searchText_; }
    void setSearchText(const QString& text);

    AlbumListModel* filteredModel() { return &filteredModel_; }

Q_SIGNALS:
    void albumsChanged();
    void selectedGenreChanged();
    void searchTextChanged();

private:
    QCoro::Task<> loadAlbums(bool fetchSpotify);
    void updateFiltered();

    SpotifyAPI& api_;

    QList<DisplayAlbum> albums_;
    QStringList searchKeys_;                           // one per album
    std::optional<QList<AlbumRecord>> spotifyRecords_; // of the last load that fetched them
    Genre selectedGenre_;
    QString searchText_;
    QStringList searchWords_;
    AlbumListModel filteredModel_;
};
