#pragma once

#include "model/DisplayAlbum.h"
#include "playback/AlbumListModel.h"
#include "playback/AlbumPage.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>

class AlbumFilterSettings;
class AlbumRecordCache;
class AppleMusicLibrary;
class MusicSourceSettings;
class PlayHistoryStore;
class PlaybackViewModel;

// The Home tab and the tray panel: "Recently Played" across both sources,
// interleaved by recency, and a "Discover" selection of random albums that a
// genre chip filters. Spotify albums come only from the play history.
class HomeViewModel : public AlbumPage {
    Q_OBJECT
    Q_PROPERTY(
        QString selectedGenre READ selectedGenreID WRITE selectGenre NOTIFY selectedGenreChanged)
    Q_PROPERTY(int albumCount READ albumCount NOTIFY albumsChanged)
    Q_PROPERTY(AlbumListModel* recentlyPlayed READ recentlyPlayedModel CONSTANT)
    Q_PROPERTY(AlbumListModel* discoverAlbums READ discoverModel CONSTANT)

public:
    static constexpr int recentlyPlayedLength = 12;
    static constexpr int discoverSize = 20;

    // `records` may be shared with the Library; a private one when null.
    HomeViewModel(AppleMusicLibrary& appleMusic, MusicSourceSettings& sourceSettings,
                  AlbumFilterSettings& filterSettings, PlayHistoryStore& playHistory,
                  std::shared_ptr<AlbumRecordCache> records = nullptr, QObject* parent = nullptr);
    ~HomeViewModel() override;

    // Reads the albums of the chosen sources again. Never fails.
    QCoro::Task<> load();
    // load() for the views, which cannot wait for it.
    Q_INVOKABLE void reload();

    const QList<DisplayAlbum>& albums() const { return albums_; }
    int albumCount() const { return int(albums_.size()); }

    // The albums with the history laid over them, newest first: every
    // Spotify album played, whatever the source, and local albums raised to
    // the date Korvid last played them. Made on each call.
    QList<DisplayAlbum> mergedRecentAlbums() const;
    // The first of them.
    QList<DisplayAlbum> recentlyPlayed() const;

    const Genre& selectedGenre() const { return selectedGenre_; }
    // Every assignment draws a new Discover selection, even of the same genre.
    void setSelectedGenre(const Genre& genre);
    QString selectedGenreID() const { return selectedGenre_.id; }
    Q_INVOKABLE void selectGenre(const QString& genreID);
    const QList<DisplayAlbum>& discoverAlbums() const { return discover_; }
    // Draws a new selection and plays its first album from the start.
    QCoro::Task<> shuffleDiscover(PlaybackViewModel& playback);

    // The genre of that album, else of the most recent one; nothing without
    // recent albums. The tray panel offers albums like the one playing.
    std::optional<Genre> genre(const std::optional<QString>& albumID) const;
    // Up to `count` albums of the genre, shuffled, leaving out those ids.
    QList<DisplayAlbum> randomAlbums(const Genre& genre, int count,
                                     const QSet<QString>& excluding) const;

    AlbumListModel* recentlyPlayedModel() { return &recentModel_; }
    AlbumListModel* discoverModel() { return &discoverModel_; }

Q_SIGNALS:
    void albumsChanged();
    void selectedGenreChanged();
    void discoverAlbumsChanged();
    void recentlyPlayedChanged();

private:
    QList<DisplayAlbum> mergedRecent(qsizetype limit) const;
    // Up to `count` of the albums `matches` picks, shuffled.
    QList<DisplayAlbum> shuffled(const std::function<bool(const DisplayAlbum&)>& matches,
                                 qsizetype count) const;
    void drawDiscover();
    void updateRecentlyPlayed();
    void setAlbums(QList<DisplayAlbum> albums);

    PlayHistoryStore& playHistory_;

    QList<DisplayAlbum> albums_;
    QHash<QString, qsizetype> rowOf_; // first row of each id in albums_
    Genre selectedGenre_;
    QList<DisplayAlbum> discover_;
    AlbumListModel recentModel_;
    AlbumListModel discoverModel_;
};
