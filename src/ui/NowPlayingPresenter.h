#pragma once

#include "model/DisplayAlbum.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QtQml/qqml.h>

#include <functional>
#include <optional>

class AlbumTrackList;
class AppleMusicLibrary;
class Clock;
class HomeViewModel;
class PlaybackViewModel;

// What the player bar and the Now Playing sheet show beyond the
// coordinator's own properties: the moving position and its times, where the
// music plays, and the album up next.
class NowPlayingPresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the coordinator")
    Q_PROPERTY(double positionMs READ positionMsForViews NOTIFY positionChanged)
    Q_PROPERTY(QString elapsedText READ elapsedText NOTIFY positionChanged)
    Q_PROPERTY(QString durationText READ durationText NOTIFY positionChanged)
    Q_PROPERTY(QString outputSymbol READ outputSymbol NOTIFY outputChanged)
    Q_PROPERTY(QString outputName READ outputName NOTIFY outputChanged)
    Q_PROPERTY(QString outputHelp READ outputHelp NOTIFY outputChanged)
    Q_PROPERTY(QUrl artwork READ artwork NOTIFY artworkChanged)
    Q_PROPERTY(bool hasUpNext READ hasUpNext NOTIFY upNextChanged)
    Q_PROPERTY(QString upNextTitle READ upNextTitle NOTIFY upNextChanged)
    Q_PROPERTY(QString upNextArtistNames READ upNextArtistNames NOTIFY upNextChanged)
    Q_PROPERTY(QUrl upNextArtwork READ upNextArtwork NOTIFY upNextChanged)
    Q_PROPERTY(QString upNextSpotifyAlbumID READ upNextSpotifyAlbumID NOTIFY upNextChanged)
    Q_PROPERTY(AlbumTrackList* tracks READ tracks CONSTANT)
public:
    // Makes the picture address of an album's artwork, as the grids use.
    using CoverSource = std::function<QUrl(const QString& albumID, const AlbumArtwork&)>;

    NowPlayingPresenter(PlaybackViewModel& playback, AppleMusicLibrary& appleMusic,
                        HomeViewModel& home, Clock& clock, CoverSource cover,
                        QObject* parent = nullptr);

    qint64 positionMs() const { return positionMs_; }
    double positionMsForViews() const { return double(positionMs_); }
    QString elapsedText() const;
    QString durationText() const;
    QString outputSymbol() const;
    QString outputName() const;
    QString outputHelp() const;
    QUrl artwork() const;
    bool hasUpNext() const { return upNext_.has_value(); }
    QString upNextTitle() const;
    QString upNextArtistNames() const;
    QUrl upNextArtwork() const;
    // The Spotify id of the album up next; empty for a local album or none.
    QString upNextSpotifyAlbumID() const;
    // The playing album's tracks; given by the composition before any view reads it.
    AlbumTrackList* tracks() const { return tracks_; }
    void setTracks(AlbumTrackList* tracks) { tracks_ = tracks; }

    // The transport buttons; each command runs on in the background.
    Q_INVOKABLE void togglePlayPause();
    Q_INVOKABLE void skipToNext();
    Q_INVOKABLE void skipToPrevious();
    // The scrubber let go at `ms`.
    Q_INVOKABLE void seek(double ms);
    Q_INVOKABLE void playUpNext();

Q_SIGNALS:
    void positionChanged();
    void outputChanged();
    void artworkChanged();
    void upNextChanged();

private:
    void tick();
    void updateUpNext();

    PlaybackViewModel& playback_;
    AppleMusicLibrary& appleMusic_;
    HomeViewModel& home_;
    Clock& clock_;
    CoverSource cover_;
    QTimer ticker_;
    qint64 positionMs_ = 0;
    std::optional<DisplayAlbum> upNext_;
    AlbumTrackList* tracks_ = nullptr;
};
