#pragma once

#include <QObject>
#include <QPointer>
#include <QtQml/qqml.h>

class AppleMusicLibrary;
class HomeViewModel;
class LibraryViewModel;
class MusicSourceSettings;
class PlaybackViewModel;

// What the Home and Library pages do beyond showing their models: load when
// they are shown and again when the source or the local library changes
// while they are, play the album a person clicks, and mark the playing album
// in every list.
class AlbumPages : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the composition over the models")
    Q_PROPERTY(bool homeShown READ homeShown WRITE setHomeShown NOTIFY homeShownChanged)
    Q_PROPERTY(bool libraryShown READ libraryShown WRITE setLibraryShown NOTIFY libraryShownChanged)
public:
    // `localLibrary` may be null (no local music in this run).
    AlbumPages(HomeViewModel& home, LibraryViewModel& library, PlaybackViewModel& playback,
               MusicSourceSettings& sources, AppleMusicLibrary* localLibrary,
               QObject* parent = nullptr);

    bool homeShown() const { return homeShown_; }
    bool libraryShown() const { return libraryShown_; }
    void setHomeShown(bool shown);
    void setLibraryShown(bool shown);

    // The album of that id in any list, from its first track.
    Q_INVOKABLE void play(const QString& albumID);
    // Home's shuffle button: a new Discover selection, whose first album plays.
    Q_INVOKABLE void shuffleDiscover();
    // Pull to refresh (the toolbar's reload, F5): the albums alone, after
    // the local library looked at its folder again.
    Q_INVOKABLE void reloadHome();
    Q_INVOKABLE void reloadLibrary();

Q_SIGNALS:
    void homeShownChanged();
    void libraryShownChanged();

private:
    void loadHome();
    void markPlaying();
    void showLocalChanges();
    void rescanLocal();

    HomeViewModel& home_;
    LibraryViewModel& library_;
    PlaybackViewModel& playback_;
    MusicSourceSettings& sources_;
    QPointer<AppleMusicLibrary> localLibrary_;
    bool homeShown_ = false;
    bool libraryShown_ = false;
};
