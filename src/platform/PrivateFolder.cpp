#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

bool isPrivateFolder(const QString& path, unsigned user) {
    struct stat info {};
    // lstat: a link another user planted must not lead elsewhere.
    return !path.isEmpty() && ::lstat(QFile::encodeName(path).constData(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == user && (info.st_mode & 0077) == 0;
}

QString privateRuntimeFolder() {
    const unsigned user = ::geteuid();
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime, user)) {
        return runtime;
    }
    const QString fallback = QDir::tempPath() + QStringLiteral("/korvid-") + QString::number(user);
    // mkdir fails on a name someone else took; the check below then refuses it.
    if (::mkdir(QFile::encodeName(fallback).constData(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return isPrivateFolder(fallback, user) ? fallback : QString();
}
