// Korvid's composition root: creates the long-lived models once, hands them
// to the views and opens the main window and the tray icon.
#include "app/TrayIcon.h"
#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "ui/UiComposition.h"

#include <QApplication>
#include <QIcon>
#include <QQmlApplicationEngine>

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("Korvid"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvid"));
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Korvid"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/korvid/icons/note.svg")));
    // Closing the window leaves Korvid in the tray.
    QApplication::setQuitOnLastWindowClosed(!QSystemTrayIcon::isSystemTrayAvailable());

    MusicSourceSettings sourceSettings;
    AlbumFilterSettings filterSettings;

    UiComposition::useViewStyle();
    QQmlApplicationEngine engine;
    UiComposition::expose(engine, UiModels{&sourceSettings, &filterSettings});
    engine.load(UiComposition::mainWindowUrl());
    if (engine.rootObjects().isEmpty()) {
        return 1;
    }

    TrayIcon tray(engine);
    return QApplication::exec();
}
