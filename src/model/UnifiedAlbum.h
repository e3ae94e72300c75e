#pragma once

#include "model/AlbumArtwork.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>
#include <variant>

// The local tracks of an album in album order, as the local player queues them.
// A library album lists them only when asked: the albums of a large library
// are all held for the screens, and their file addresses are needed only for
// the one that plays.
class AppleMusicPlaybackHandle {
public:
    struct Track {
        QString id;              // persistent id, 16 upper-case hex digits
        std::optional<QUrl> url; // absent for a track without a local file
    };
    // What lists the tracks when they are asked for.
    class TrackSource {
    public:
        virtual ~TrackSource() = default;
        virtual QList<Track> tracks() const = 0;
    };

    AppleMusicPlaybackHandle() = default;
    AppleMusicPlaybackHandle(QList<Track> tracks)
        : tracks_(std::move(tracks)) {}
    explicit AppleMusicPlaybackHandle(std::shared_ptr<const TrackSource> source)
        : source_(std::move(source)) {}

    QList<Track> tracks() const { return source_ ? source_->tracks() : tracks_; }

private:
    QList<Track> tracks_;
    std::shared_ptr<const TrackSource> source_;
};

// The one album value of the program, from either source. Albums are the same
// album exactly when their ids are equal ("spotify-..." or "apple-...").
struct UnifiedAlbum {
    // How to start the album: a Spotify context URI, or the local tracks.
    class Playback {
    public:
        static Playback spotify(QString uri) { return Playback(std::move(uri)); }
        static Playback appleMusic(AppleMusicPlaybackHandle handle) {
            return Playback(std::move(handle));
        }

        bool isSpotify() const { return std::holds_alternative<QString>(value_); }
        bool isAppleMusic() const { return !isSpotify(); }
        // The Spotify URI; null for a local album.
        const QString* spotifyURI() const { return std::get_if<QString>(&value_); }
        // The local tracks; null for a Spotify album.
        const AppleMusicPlaybackHandle* appleMusicHandle() const {
            return std::get_if<AppleMusicPlaybackHandle>(&value_);
        }

    private:
        explicit Playback(QString uri)
            : value_(std::move(uri)) {}
        explicit Playback(AppleMusicPlaybackHandle handle)
            : value_(std::move(handle)) {}
        std::variant<QString, AppleMusicPlaybackHandle> value_;
    };

    QString id;
    QString title;
    QString artistNames;
    QStringList rawGenres;
    AlbumArtwork artwork;
    QDateTime sortDate; // recency: last played or added; the one field that changes
    qint64 trackCount = 0;
    Playback playback = Playback::spotify({});

    // A copy whose recency is `date` when that is later than its own.
    UnifiedAlbum withRecency(const QDateTime& date) const;
};

// 0001-01-01 00:00 UTC: the date of albums the library knows no date for.
QDateTime distantPast();
