#include "musicapp/MusicFolder.h"

#include <QDir>
#include <QStandardPaths>

QString defaultMusicFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (folder.isEmpty())
        folder = QDir::home().filePath(QStringLiteral("Music"));
    return QDir::cleanPath(folder);
}
