// Korvid's composition root: creates the long-lived models once, hands them
// to the views and opens the main window and the tray icon.
#include "app/TrayIcon.h"
#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "model/SettingsLock.h"
#include "musicapp/AirPlayRouteStore.h"
#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/MusicFolder.h"
#include "platform/Clock.h"
#include "platform/InstanceHandoff.h"
#include "platform/SecretServiceKeychain.h"
#include "platform/SettingsWriter.h"
#include "platform/SingleInstance.h"
#include "platform/SynchronizedKeyValueStore.h"
#include "platform/WebAuthSession.h"
#include "playback/AlbumRecordCache.h"
#include "playback/HomeViewModel.h"
#include "playback/LibraryViewModel.h"
#include "playback/MprisService.h"
#include "playback/PlaybackViewModel.h"
#include "spotify/SpotifyAPI.h"
#include "spotify/SpotifyAuthManager.h"
#include "ui/CoverImages.h"
#include "ui/SpotifySignIn.h"
#include "ui/UiComposition.h"

#include <QApplication>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QQmlApplicationEngine>
#include <QWindow>

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("Korvid"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvid"));
    QApplication app(argc, argv);

    // One Korvid per session: a second start (the browser handing back the
    // sign-in redirect, or the user starting it again) passes its address to
    // the running process and ends.
    SingleInstance instance;
    if (!instance.listen() &&
        SingleInstance::sendToRunning(InstanceHandoff::messageFor(QCoreApplication::arguments())))
        return 0;
    removeAbandonedSettingsLock();
    QApplication::setApplicationDisplayName(QStringLiteral("Korvid"));
    // Lets the desktop match the window and the media controls to the entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("korvid"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/korvid/icons/note.svg")));
    // Closing the window leaves Korvid in the tray.
    QApplication::setQuitOnLastWindowClosed(!QSystemTrayIcon::isSystemTrayAvailable());

    // The long-lived objects, once each, in this order.
    QNetworkAccessManager network;
    SecretServiceKeychain keychain;
    SpotifyAuthManager spotifyAuth(network, keychain, Clock::system());
    spotifyAuth.loadStoredTokens();
    SpotifyAPI spotifyAPI(spotifyAuth, network);
    AppleMusicLibrary appleMusic(defaultMusicFolder());
    MusicSourceSettings sourceSettings;
    AlbumFilterSettings filterSettings;
    NullSynchronizedKeyValueStore synchronizedStore;
    PlayHistoryStore playHistory(&synchronizedStore);
    AirPlayRouteStore airplayRoute;
    auto records = std::make_shared<AlbumRecordCache>();
    HomeViewModel home(appleMusic, sourceSettings, filterSettings, playHistory, records);
    LibraryViewModel library(spotifyAPI, appleMusic, sourceSettings, filterSettings, records);
    // Installs the local player's callbacks and starts the microphone monitor,
    // so a call pauses Korvid from launch on.
    PlaybackViewModel playback(spotifyAPI, appleMusic, sourceSettings, playHistory,
                               Clock::system());
    QObject::connect(&SettingsWriter::instance(), &SettingsWriter::writeFailed, &playback,
                     &PlaybackViewModel::showError);
    WebAuthSession webAuth;
    SpotifySignIn spotifySignIn(spotifyAuth, webAuth, sourceSettings);
    // Before the engine, which it serves and must outlive.
    CoverImages covers;

    const UiModels models{&sourceSettings, &filterSettings, &spotifyAuth, &spotifySignIn,
                          &appleMusic,     &covers,         &home,        &library,
                          &playback,       nullptr,         &spotifyAPI};
    UiComposition::useViewStyle();
    QQmlApplicationEngine engine;
    UiComposition::prepare(engine, models);
    engine.setInitialProperties(UiComposition::mainWindowProperties(engine, models));
    engine.load(UiComposition::mainWindowUrl());
    if (engine.rootObjects().isEmpty()) {
        return 1;
    }
    auto* mainWindow = qobject_cast<QWindow*>(engine.rootObjects().constFirst());

    // A second start raises this window; a korvid:// address finishes a sign-in.
    InstanceHandoff::route(instance, webAuth, mainWindow);

    // The desktop's media controls and keys; a second Korvid leaves the name alone.
    MprisService mpris(playback, MprisService::Window::of(mainWindow));

    TrayIcon tray(engine, UiComposition::trayPanelProperties(engine, models));
    const int status = QApplication::exec();
    // Quit (not a window closed into the tray): Korvid's own hidden player
    // must not play on with no window or control left.
    appleMusic.pauseOwnPlayerForQuit();
    SettingsWriter::instance().flush();
    return status;
}
