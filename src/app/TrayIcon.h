#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QVariantMap>

class QQmlApplicationEngine;
class QWindow;

// The tray icon; a click opens the panel near it, a second click closes it.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    // The panel is loaded into `engine` with `panelProperties` when first opened.
    TrayIcon(QQmlApplicationEngine& engine, QVariantMap panelProperties, QObject* parent = nullptr);

private:
    void togglePanel();

    QQmlApplicationEngine& engine_;
    QVariantMap panelProperties_;
    QSystemTrayIcon icon_;
    QPointer<QWindow> panel_;
};
