#include "model/SettingsLock.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isEmptyLock(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.size() == 0;
}

} // namespace

void removeAbandonedSettingsLock(std::chrono::milliseconds grace) {
    const QString path = QSettings().fileName() + QStringLiteral(".lock");
    if (!isEmptyLock(path))
        return;
    // A writer fills its lock at once after making it; give one the time.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < grace.count()) {
        QThread::msleep(20);
        if (!isEmptyLock(path))
            return;
    }
    // Its owner holds a lock on the file itself from just after making it;
    // removed only when that lock is free and the file is still empty.
    const QByteArray name = path.toLocal8Bit();
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat opened {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 && opened.st_size == 0)
        ::unlink(name.constData());
    ::close(fd);
}
