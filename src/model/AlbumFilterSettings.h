#pragma once

#include <QObject>

// How many tracks an album needs before Home and Library show it.
class AlbumFilterSettings : public QObject {
    Q_OBJECT
    // The views see the count as an int: QML has no 64-bit integers.
    Q_PROPERTY(int minTracksPerAlbum READ minTracksPerAlbumForViews WRITE setMinTracksPerAlbum
                   NOTIFY minTracksPerAlbumChanged)

public:
    static constexpr qint64 defaultMinTracksPerAlbum = 3;

    explicit AlbumFilterSettings(QObject* parent = nullptr);

    qint64 minTracksPerAlbum() const { return minTracksPerAlbum_; }
    int minTracksPerAlbumForViews() const;
    // No clamping here: the Settings slider offers the allowed range.
    void setMinTracksPerAlbum(qint64 value);

Q_SIGNALS:
    void minTracksPerAlbumChanged();

private:
    qint64 minTracksPerAlbum_;
};
