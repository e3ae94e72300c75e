#pragma once

#include <QUrl>

class AlbumFilterSettings;
class AppleMusicLibrary;
class MusicSourceSettings;
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
};

namespace UiComposition {
// Hands the models, and the presenters made over them, to the views of
// `engine`. The presenters belong to the engine.
void expose(QQmlEngine& engine, const UiModels& models);
// Sets the controls style the views are written for; before any engine exists.
void useViewStyle();
QUrl mainWindowUrl();
QUrl trayPanelUrl();
} // namespace UiComposition
