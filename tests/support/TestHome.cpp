#include "support/TestHome.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {
const char* const kVariables[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                                  "XDG_RUNTIME_DIR", "XDG_MUSIC_DIR"};

QString settingsPath() {
    // QSettings offers no getter for its path; the config location is where
    // it writes by default.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}
} // namespace

TestHome::TestHome() {
    previousSettingsPath_ = settingsPath();
    for (const char* variable : kVariables) {
        previous_.insert(variable, qgetenv(variable));
        const QString folder = xdg(variable);
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(variable, QFile::encodeName(folder));
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, xdg("XDG_CONFIG_HOME"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, xdg("XDG_CONFIG_HOME"));
}

TestHome::~TestHome() {
    for (auto it = previous_.cbegin(); it != previous_.cend(); ++it) {
        if (it.value().isNull()) {
            qunsetenv(it.key().constData());
        } else {
            qputenv(it.key().constData(), it.value());
        }
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, previousSettingsPath_);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, previousSettingsPath_);
}

QString TestHome::xdg(const char* variable) const {
    QString name = QString::fromLatin1(variable).mid(4).toLower(); // "config_home", ...
    return dir_.filePath(name);
}
