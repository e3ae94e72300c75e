#include "musicapp/AppleMusicLibrary.h"

#include "airplay1/AirPlay1Player.h"
#include "airplay1/AirPlay1SpeakerBrowser.h"
#include "musicapp/FolderWatcher.h"
#include "musicapp/LibraryIndex.h"
#include "musicapp/MusicAppError.h"
#include "musicapp/TagReader.h"
#include "musicapp/TrackIdentity.h"
#include "platform/Clock.h"

#include <QCoroSignal>
#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <pthread.h>

AppleMusicLibrary::AppleMusicLibrary(QString musicFolder, QObject* parent)
    : AppleMusicLibrary(std::move(musicFolder), LibraryIndex::defaultPath(), makeTagLibReader(),
                        nullptr, parent) {}

AppleMusicLibrary::AppleMusicLibrary(QString musicFolder, QString indexPath,
                                     std::shared_ptr<const TagReader> reader, Clock* clock,
                                     QObject* parent)
    : AppleMusicLibrary(std::move(musicFolder), std::move(indexPath), std::move(reader), clock,
                        PlayerParts{}, parent) {}

AppleMusicLibrary::AppleMusicLibrary(QString musicFolder, QString indexPath,
                                     std::shared_ptr<const TagReader> reader, Clock* clock,
                                     PlayerParts parts, QObject* parent)
    : QObject(parent)
    , musicFolder_(QDir::cleanPath(std::move(musicFolder)))
    , indexPath_(std::move(indexPath))
    , reader_(std::move(reader))
    , watchBudget_(FolderWatcher::defaultBudget())
    , playerClock_(clock ? *clock : Clock::system()) {
    setUpPlayer(std::move(parts));
    progressTimer_.setInterval(250);
    connect(&progressTimer_, &QTimer::timeout, this, [this] {
        const int scanned = scanned_.load(std::memory_order_relaxed);
        if (scanned != scannedFileCount_) {
            scannedFileCount_ = scanned;
            Q_EMIT scanProgressChanged();
        }
    });
    settleTimer_.setSingleShot(true);
    connect(&settleTimer_, &QTimer::timeout, this, [this] {
        unsettledSince_.reset();
        rescan();
    });
    connect(&pollTimer_, &QTimer::timeout, this, &AppleMusicLibrary::rescan);
}

AppleMusicLibrary::~AppleMusicLibrary() {
    cancelled_ = true;
    joinWorker();
}

QCoro::Task<bool> AppleMusicLibrary::requestAuthorizationIfNeeded() {
    if (snapshot_)
        co_return true;
    QPointer<AppleMusicLibrary> self(this);
    if (!opening_) {
        opening_ = true;
        if (!askedMusicPlayerFolder_) {
            askedMusicPlayerFolder_ = true;
            co_await followMusicPlayerFolder();
            if (!self)
                co_return false;
        }
        const QFileInfo folder(musicFolder_);
        if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable()) {
            // No folder is not an error to show: the library is simply empty.
            opening_ = false;
            setAuthorized(false);
            Q_EMIT libraryOpened(false);
            co_return false;
        }
        startJob(Job::openAndScan);
    }
    const bool opened = co_await qCoro(this, &AppleMusicLibrary::libraryOpened);
    co_return opened;
}

QCoro::Task<> AppleMusicLibrary::followMusicPlayerFolder() {
    QPointer<AppleMusicLibrary> self(this);
    std::optional<QString> folder;
    try {
        // Only a player that runs already: Korvid's own plays the folder it is given.
        const bool running = co_await musicApp_->isRunning();
        if (!running || !self)
            co_return;
        folder = co_await musicApp_->musicDirectory();
    } catch (const MusicAppError&) {
        co_return; // a player that does not say (over the network) keeps ours
    }
    if (!self || !folder || folder->isEmpty())
        co_return;
    const QString theirs = QDir::cleanPath(*folder);
    if (theirs == musicFolder_)
        co_return;
    const QFileInfo info(theirs);
    if (info.isDir() && info.isReadable() && info.isExecutable()) {
        musicFolder_ = theirs;
        Q_EMIT musicFolderChanged();
    } else {
        setLibraryNotice(
            QStringLiteral("The music player plays from “%1”, which Korvid can't read. Albums in "
                           "your music folder may not play until both use the same folder.")
                .arg(theirs));
    }
}

void AppleMusicLibrary::setLibraryNotice(QString notice) {
    if (libraryNotice_ == notice)
        return;
    libraryNotice_ = std::move(notice);
    Q_EMIT libraryNoticeChanged();
}

QList<AppleMusicAlbum> AppleMusicLibrary::albums() const {
    return groupAlbums(snapshot_);
}

void AppleMusicLibrary::rescan() {
    if (!snapshot_)
        return;
    if (isScanning_) {
        rescanPending_ = true;
        return;
    }
    startJob(Job::scan);
}

void AppleMusicLibrary::setFolderWatching(int watchBudget, std::chrono::milliseconds pollInterval) {
    watchBudget_ = watchBudget;
    pollInterval_ = pollInterval;
    watcher_.reset();
    pollTimer_.stop();
    if (!lastScanReport_.folders.isEmpty())
        followFolders(lastScanReport_.folders);
}

void AppleMusicLibrary::followFolders(const QStringList& relativeFolders) {
    if (!watcher_) {
        watcher_ = std::make_unique<FolderWatcher>(watchBudget_);
        connect(watcher_.get(), &FolderWatcher::changed, this,
                &AppleMusicLibrary::noteFolderChange);
    }
    QStringList folders;
    folders.reserve(relativeFolders.size());
    for (const QString& folder : relativeFolders)
        folders.append(folder.isEmpty() ? musicFolder_ : musicFolder_ + u'/' + folder);
    watchesEveryFolder_ = watcher_->watch(folders);
    // Changes in folders beyond the watches are found by looking now and then.
    if (watchesEveryFolder_)
        pollTimer_.stop();
    else if (!pollTimer_.isActive())
        pollTimer_.start(pollInterval_);
}

void AppleMusicLibrary::noteFolderChange() {
    // A copy of an album is many changes: look once they settle, but not
    // later than a while after the first, so a long copy shows as it goes.
    const auto now = std::chrono::steady_clock::now();
    if (!unsettledSince_)
        unsettledSince_ = now;
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - *unsettledSince_);
    settleTimer_.start(std::max(std::chrono::milliseconds(0),
                                std::min(changesSettle, changesWaitAtMost - waited)));
}

void AppleMusicLibrary::joinWorker() {
    if (worker_.joinable())
        worker_.join();
}

void AppleMusicLibrary::startJob(Job job) {
    joinWorker(); // the previous job has posted its last result already
    cancelled_ = false;
    rescanPending_ = false;
    scanned_ = 0;
    progressTimer_.start();
    setScanning(true);
    const qint64 nowMs = playerClock_.now().toMSecsSinceEpoch();
    worker_ = std::thread([this, job, nowMs] { runJob(job, nowMs); });
}

// Runs on the worker thread; results reach the main thread as queued calls,
// which Qt drops if this object is gone (the destructor joins first anyway).
void AppleMusicLibrary::runJob(Job job, qint64 nowMs) {
    pthread_setname_np(pthread_self(), "Korvid.library");
    LibraryIndex index(indexPath_);
    const auto snapshotOf = [this, &index] {
        auto snapshot = std::make_shared<LibrarySnapshot>();
        snapshot->musicFolder = musicFolder_;
        snapshot->tracks = index.loadTracks();
        snapshot->reader = reader_;
        snapshot->folderCovers = index.folderCovers();
        return std::shared_ptr<const LibrarySnapshot>(std::move(snapshot));
    };
    if (job == Job::openAndScan) {
        const bool opened = index.isOpen();
        const bool rebuilt = index.rebuiltAfterDamage();
        auto snapshot = opened ? snapshotOf() : nullptr;
        QMetaObject::invokeMethod(
            this,
            [this, opened, rebuilt, snapshot] {
                opening_ = false;
                if (rebuilt)
                    setLibraryNotice(QStringLiteral(
                        "The library index was damaged and has been rebuilt from your music "
                        "folder. Albums show again as they are read; when you added or last "
                        "played them is lost."));
                if (opened)
                    publish(snapshot);
                setAuthorized(opened);
                if (!opened) {
                    progressTimer_.stop();
                    setScanning(false);
                }
                Q_EMIT libraryOpened(opened);
            },
            Qt::QueuedConnection);
        if (!opened)
            return;
    }

    // A long scan shows what it has read so far every few seconds, so a
    // large library fills the screens as it goes instead of at the end.
    constexpr auto showEvery = std::chrono::seconds(2);
    auto lastShown = std::chrono::steady_clock::now();
    qsizetype shownTracks = -1;
    const auto progress = [&](int looked) {
        scanned_.store(looked, std::memory_order_relaxed);
        const auto now = std::chrono::steady_clock::now();
        if (now - lastShown < showEvery)
            return;
        lastShown = now;
        auto snapshot = snapshotOf();
        if (snapshot->tracks.size() == shownTracks)
            return;
        shownTracks = snapshot->tracks.size();
        QMetaObject::invokeMethod(
            this, [this, snapshot] { publish(snapshot); }, Qt::QueuedConnection);
    };
    LibraryScanner scanner(reader_, musicFolder_, index);
    const ScanReport report = scanner.scan(nowMs, &cancelled_, progress);
    const bool changed =
        report.added + report.updated + report.removed + report.coversChanged > 0 ||
        shownTracks >= 0;
    auto snapshot = changed ? snapshotOf() : nullptr;
    QMetaObject::invokeMethod(
        this, [this, report, snapshot] { finishScan(report, snapshot); }, Qt::QueuedConnection);
}

void AppleMusicLibrary::finishScan(const ScanReport& report,
                                   std::shared_ptr<const LibrarySnapshot> snapshot) {
    lastScanReport_ = report;
    if (snapshot)
        publish(std::move(snapshot));
    progressTimer_.stop();
    scanned_ = 0;
    if (scannedFileCount_ != 0) {
        scannedFileCount_ = 0;
        Q_EMIT scanProgressChanged();
    }
    setScanning(false);
    if (!report.folders.isEmpty())
        followFolders(report.folders);
    Q_EMIT scanFinished();
    if (rescanPending_)
        rescan();
}

void AppleMusicLibrary::publish(std::shared_ptr<const LibrarySnapshot> snapshot) {
    // A scan may have read the index before a play was written to it.
    if (snapshot && !recordedPlays_.isEmpty()) {
        auto updated = std::make_shared<LibrarySnapshot>(*snapshot);
        for (IndexedTrack& track : updated->tracks) {
            const auto played = recordedPlays_.constFind(track.persistentID);
            if (played != recordedPlays_.cend() && *played > track.lastPlayedMs)
                track.lastPlayedMs = *played;
        }
        snapshot = std::move(updated);
    }
    snapshot_ = std::move(snapshot);
    trackByID_.clear();
    Q_EMIT albumsChanged();
}

const IndexedTrack* AppleMusicLibrary::indexedTrack(const QString& trackID) const {
    std::uint64_t id = 0;
    if (!snapshot_ || !TrackIdentity::parseHexTrackID(trackID, &id))
        return nullptr;
    if (trackByID_.isEmpty()) {
        trackByID_.reserve(snapshot_->tracks.size());
        for (qsizetype i = 0; i < snapshot_->tracks.size(); ++i)
            trackByID_.insert(snapshot_->tracks[i].persistentID, i);
    }
    const auto found = trackByID_.constFind(id);
    return found == trackByID_.cend() ? nullptr : &snapshot_->tracks[*found];
}

QString AppleMusicLibrary::trackFile(const QString& trackID) const {
    const IndexedTrack* track = indexedTrack(trackID);
    return track ? track->relativePath : QString();
}

std::optional<UnifiedAlbum> AppleMusicLibrary::unifiedAlbum(const QString& id) const {
    for (const AppleMusicAlbum& album : albums()) {
        if (album.unifiedID() == id)
            return album.unified();
    }
    return std::nullopt;
}

void AppleMusicLibrary::recordPlay(const QString& trackID) {
    std::uint64_t id = 0;
    if (!snapshot_ || trackFile(trackID).isEmpty() || !TrackIdentity::parseHexTrackID(trackID, &id))
        return;
    const qint64 nowMs = playerClock_.now().toMSecsSinceEpoch();
    if (!playsIndex_)
        playsIndex_ = std::make_unique<LibraryIndex>(indexPath_);
    playsIndex_->recordPlay(id, nowMs);
    recordedPlays_.insert(id, nowMs);
    publish(snapshot_);
}

void AppleMusicLibrary::setAuthorized(bool value) {
    if (isAuthorized_ == value)
        return;
    isAuthorized_ = value;
    Q_EMIT isAuthorizedChanged();
}

void AppleMusicLibrary::setScanning(bool value) {
    if (isScanning_ == value)
        return;
    isScanning_ = value;
    Q_EMIT isScanningChanged();
}
