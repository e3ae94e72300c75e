#include "musicapp/FolderWatcher.h"

#include <QFile>
#include <QSet>
#include <QSocketNotifier>

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <array>

namespace {
// What changes a folder's songs or covers. Reading a file (the scan, the
// music player) is not among them, so the scan does not wake itself.
constexpr std::uint32_t watchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                        IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                        IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;
} // namespace

FolderWatcher::FolderWatcher(int budget, QObject* parent)
    : QObject(parent)
    , budget_(std::max(budget, 1))
    , fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &FolderWatcher::readEvents);
}

FolderWatcher::~FolderWatcher() {
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

int FolderWatcher::defaultBudget() {
    QFile limit(QStringLiteral("/proc/sys/fs/inotify/max_user_watches"));
    bool ok = false;
    const int watches = limit.open(QIODevice::ReadOnly) ? limit.readAll().trimmed().toInt(&ok) : 0;
    // 8192 was the kernel's default before it grew with memory.
    return ok && watches > 0 ? watches / 2 : 4096;
}

bool FolderWatcher::watch(const QStringList& folders) {
    if (fd_ < 0)
        return false;
    const QSet<QString> wanted(folders.cbegin(), folders.cend());
    for (auto it = byFolder_.begin(); it != byFolder_.end();) {
        if (wanted.contains(it.key())) {
            ++it;
        } else {
            inotify_rm_watch(fd_, it.value());
            it = byFolder_.erase(it);
        }
    }
    bool all = true;
    for (const QString& folder : folders) {
        if (byFolder_.contains(folder))
            continue;
        if (byFolder_.size() >= budget_) {
            all = false;
            break;
        }
        const int wd = inotify_add_watch(fd_, QFile::encodeName(folder).constData(), watchedEvents);
        if (wd < 0) {
            // ENOSPC: the user's watches are spent; others (a folder gone
            // since it was listed) only cost that folder.
            all = false;
            if (errno == ENOSPC)
                break;
            continue;
        }
        byFolder_.insert(folder, wd);
    }
    return all;
}

void FolderWatcher::readEvents() {
    // Events are only a nudge to look again: their details do not matter.
    alignas(inotify_event) std::array<char, 16384> buffer;
    bool any = false;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            if (event->mask & IN_IGNORED) {
                // The folder is gone: should it come back, it is watched anew.
                for (auto it = byFolder_.begin(); it != byFolder_.end(); ++it) {
                    if (it.value() == event->wd) {
                        byFolder_.erase(it);
                        break;
                    }
                }
            } else {
                any = true;
            }
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    if (any)
        Q_EMIT changed();
}
