#pragma once

#include <QUrl>
#include <QVariantMap>

class AlbumFilterSettings;
class AppleMusicLibrary;
class Clock;
class CoverImages;
class HomeViewModel;
class LibraryViewModel;
class PlaybackViewModel;
class MusicSourceSettings;
class SpotifyAPI;
class SpotifyAuthManager;
class SpotifySignIn;
class QQmlEngine;

// The models the views read, as the program or a test made them.
struct UiModels {
    MusicSourceSettings* sourceSettings = nullptr;
    AlbumFilterSettings* filterSettings = nullptr;
    SpotifyAuthManager* spotifyAuth = nullptr;
    SpotifySignIn* spotifySignIn = nullptr;
    AppleMusicLibrary* appleMusic = nullptr;
    CoverImages* covers = nullptr;
    HomeViewModel* home = nullptr;
    LibraryViewModel* library = nullptr;
    PlaybackViewModel* playback = nullptr;
    Clock* clock = nullptr;           // the system clock when null
    SpotifyAPI* spotifyAPI = nullptr; // no previews when null
};

// The views are the QML module "Korvid"; each top-level view takes the
// models, and the presenters made over them, as required properties.
namespace UiComposition {
// Sets the controls style the views are written for; before any engine exists.
void useViewStyle();
// Lets `engine` find the module and the covers; before it loads a view.
void prepare(QQmlEngine& engine, const UiModels& models);
// The main window's and the tray panel's required properties. The presenters
// made for them belong to `engine`.
QVariantMap mainWindowProperties(QQmlEngine& engine, const UiModels& models);
QVariantMap trayPanelProperties(QQmlEngine& engine, const UiModels& models);
// A view file of the module, by its name ("Main", "ConnectSpotifyView").
QUrl viewUrl(const QString& name);
QUrl mainWindowUrl();
QUrl trayPanelUrl();
} // namespace UiComposition
