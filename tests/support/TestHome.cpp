#include "support/TestHome.h"

#include "platform/SettingsWriter.h"

#include <QDir>
#include <QFileInfo>
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
    // Changes still settling belong to the home before this one.
    SettingsWriter::instance().flush();
    previousSettingsPath_ = settingsPath();
    for (const char* variable : kVariables) {
        const QString folder = xdg(variable);
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment_.set(variable, QFile::encodeName(folder));
    }
    settingsFolder_ = xdg("XDG_CONFIG_HOME");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder_);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder_);
}

TestHome::~TestHome() {
    SettingsWriter::instance().flush();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, previousSettingsPath_);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, previousSettingsPath_);
}

void TestHome::restartSettings() {
    SettingsWriter::instance().flush();
    QString file;
    {
        QSettings settings;
        settings.sync();
        file = settings.fileName();
    }
    const QString relative = QDir(settingsFolder_).relativeFilePath(file);
    settingsFolder_ = dir_.filePath(QStringLiteral("config_%1").arg(++restarts_));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder_);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder_);
    const QString copy = QDir(settingsFolder_).filePath(relative);
    QDir().mkpath(QFileInfo(copy).path());
    if (QFile::exists(file) && !QFile::copy(file, copy))
        qFatal("cannot copy the preferences to %s", qPrintable(copy));
}

QString TestHome::xdg(const char* variable) const {
    QString name = QString::fromLatin1(variable).mid(4).toLower(); // "config_home", ...
    return dir_.filePath(name);
}
