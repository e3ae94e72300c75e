#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QVariantMap>

class PlaybackViewModel;
class QQmlApplicationEngine;
class QWindow;
class TrayPanelPresenter;

// The tray icon; a click opens the panel near it, a second click closes it,
// a middle click plays or pauses. Its tooltip says what plays.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    // The panel is loaded into `engine` with `panelProperties` when first
    // opened; the icon takes the coordinator and the panel's presenter from them.
    TrayIcon(QQmlApplicationEngine& engine, QVariantMap panelProperties, QObject* parent = nullptr);

private:
    void togglePanel();

    QQmlApplicationEngine& engine_;
    PlaybackViewModel* playback_;
    TrayPanelPresenter* presenter_;
    QVariantMap panelProperties_;
    QSystemTrayIcon icon_;
    QPointer<QWindow> panel_;
};
