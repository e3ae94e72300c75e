#pragma once

#include <QAbstractListModel>
#include <QCoroTask>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

class LocalPlayback;
class PlaybackViewModel;
struct PreviewTrack;
struct UnifiedAlbum;

// The tracks of the album that plays, as the Now Playing sheet lists them:
// number, title and length, the playing one marked. Local albums list from
// the library's index, Spotify albums from the Web API. Choosing a row plays
// the album from that track.
class AlbumTrackList : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the coordinator")
    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)
    Q_PROPERTY(int currentRow READ currentRow NOTIFY currentRowChanged)
    Q_PROPERTY(QString albumTitle READ albumTitle NOTIFY albumTitleChanged)

public:
    enum Role { NumberRole = Qt::UserRole + 1, TitleRole, LengthRole, IsCurrentRole };

    // Lists a Spotify album's tracks; none without Spotify.
    using SpotifyTracks = std::function<QCoro::Task<QList<PreviewTrack>>(QString albumID)>;
    // The album record of an album id, as the screens hold it; none when unknown.
    using AlbumLookup = std::function<std::optional<UnifiedAlbum>(const QString& albumID)>;

    AlbumTrackList(PlaybackViewModel& playback, LocalPlayback& local, SpotifyTracks spotify,
                   AlbumLookup lookup, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The row of the track that plays; -1 when none is known.
    int currentRow() const { return currentRow_; }
    const QString& albumTitle() const { return albumTitle_; }

    // Plays the listed album from the track at `row`.
    Q_INVOKABLE void play(int row);

Q_SIGNALS:
    void countChanged();
    void currentRowChanged();
    void albumTitleChanged();

private:
    struct Row {
        qint64 number = 0;
        QString title;
        qint64 durationMs = 0;
    };
    void follow();
    void show(QList<Row> rows);
    QCoro::Task<> loadSpotify(QString spotifyID, quint64 generation);
    void updateCurrentRow();

    PlaybackViewModel& playback_;
    LocalPlayback& local_;
    SpotifyTracks spotify_;
    AlbumLookup lookup_;
    QString albumID_; // the listed album's ("spotify-" or "apple-" prefixed)
    QString albumTitle_;
    quint64 generation_ = 0; // a newer album overtakes a slower listing
    QList<Row> rows_;
    int currentRow_ = -1;
};
