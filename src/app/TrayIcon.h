#pragma once

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class QQmlApplicationEngine;
class QWindow;

// The tray icon; a click opens the panel near it, a second click closes it.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon(QQmlApplicationEngine& engine, QObject* parent = nullptr);

private:
    void togglePanel();

    QQmlApplicationEngine& engine_;
    QSystemTrayIcon icon_;
    QPointer<QWindow> panel_;
};
