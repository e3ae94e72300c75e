#pragma once

#include "model/Genre.h"
#include "playback/AlbumListModel.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QtQml/qqml.h>

#include <optional>

class HomeViewModel;
class PlaybackViewModel;

// The tray panel's albums: the first recently played ones and a few more of
// the genre of what plays (else of the latest album), with the task the panel
// runs each time it opens. Also the tray icon's tooltip.
class TrayPanelPresenter : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the models")
    Q_PROPERTY(AlbumListModel* recentAlbums READ recentAlbums CONSTANT)
    Q_PROPERTY(QString sameGenreTitle READ sameGenreTitle NOTIFY sameGenreChanged)
    Q_PROPERTY(AlbumListModel* sameGenreAlbums READ sameGenreAlbums CONSTANT)
    Q_PROPERTY(QString toolTip READ toolTip NOTIFY toolTipChanged)
public:
    static constexpr int recentCount = 3;
    static constexpr int sameGenreCount = 3;

    // `artworkURL` makes the rows' cover addresses; remote covers only when null.
    TrayPanelPresenter(PlaybackViewModel& playback, HomeViewModel& home,
                       AlbumListModel::ArtworkURL artworkURL = {}, QObject* parent = nullptr);

    AlbumListModel* recentAlbums() { return &recent_; }
    AlbumListModel* sameGenreAlbums() { return &sameGenre_; }
    const std::optional<Genre>& sameGenre() const { return sameGenreValue_; }
    // "More Rock", or "More Like This" without a genre.
    QString sameGenreTitle() const;
    // What plays, for the tray icon.
    QString toolTip() const;
    static QString toolTipFor(const QString& trackName, const QString& artistNames,
                              const QString& albumTitle, bool isPlaying);

    // The panel opened: loads Home when it has no albums yet, asks once what
    // plays, then picks the albums like it.
    QCoro::Task<> open();
    Q_INVOKABLE void panelOpened();
    // Picks again from the genre of what plays now.
    Q_INVOKABLE void pickSameGenreAlbums();
    // Plays an album of either list, by id.
    Q_INVOKABLE void play(const QString& albumID);

Q_SIGNALS:
    void sameGenreChanged();
    void toolTipChanged();

private:
    void updateRecent();

    PlaybackViewModel& playback_;
    HomeViewModel& home_;
    AlbumListModel recent_;
    AlbumListModel sameGenre_;
    std::optional<Genre> sameGenreValue_;
};
