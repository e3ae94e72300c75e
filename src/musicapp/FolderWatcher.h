#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QSocketNotifier;

// Tells when something changes in a set of folders: a file added, removed,
// renamed or written and closed, a folder made or removed. Through the
// kernel's inotify, one watch per folder. Lives on the thread that made it.
class FolderWatcher : public QObject {
    Q_OBJECT
public:
    // Watches at most `budget` folders: each takes one of the user's
    // inotify watches, which every program of the user shares.
    explicit FolderWatcher(int budget, QObject* parent = nullptr);
    ~FolderWatcher() override;

    // Watches exactly these folders (absolute paths) from now on. False when
    // not all of them could be watched (budget spent, the user's watches run
    // out, or no inotify at all): then changes may go unnoticed.
    bool watch(const QStringList& folders);
    int watchedCount() const { return int(byFolder_.size()); }

    // Half of the user's inotify watches, leaving the rest to other programs.
    static int defaultBudget();

Q_SIGNALS:
    void changed();

private:
    void readEvents();

    int budget_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QHash<QString, int> byFolder_;
};
