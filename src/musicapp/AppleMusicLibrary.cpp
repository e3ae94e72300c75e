#include "musicapp/AppleMusicLibrary.h"

#include "airplay1/AirPlay1Player.h"
#include "airplay1/AirPlay1SpeakerBrowser.h"
#include "musicapp/LibraryIndex.h"
#include "musicapp/TagReader.h"
#include "musicapp/TrackIdentity.h"
#include "platform/Clock.h"

#include <QCoroSignal>
#include <QDir>
#include <QFileInfo>

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
    , playerClock_(clock ? *clock : Clock::system()) {
    setUpPlayer(std::move(parts));
}

AppleMusicLibrary::~AppleMusicLibrary() {
    cancelled_ = true;
    joinWorker();
}

QCoro::Task<bool> AppleMusicLibrary::requestAuthorizationIfNeeded() {
    if (snapshot_)
        co_return true;
    const QFileInfo folder(musicFolder_);
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable()) {
        // No folder is not an error to show: the library is simply empty.
        setAuthorized(false);
        co_return false;
    }
    if (!opening_) {
        opening_ = true;
        startJob(Job::openAndScan);
    }
    const bool opened = co_await qCoro(this, &AppleMusicLibrary::libraryOpened);
    co_return opened;
}

QList<AppleMusicAlbum> AppleMusicLibrary::albums() const {
    return groupAlbums(snapshot_);
}

void AppleMusicLibrary::rescan() {
    if (!snapshot_ || isScanning_)
        return;
    startJob(Job::scan);
}

void AppleMusicLibrary::joinWorker() {
    if (worker_.joinable())
        worker_.join();
}

void AppleMusicLibrary::startJob(Job job) {
    joinWorker(); // the previous job has posted its last result already
    cancelled_ = false;
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
        return std::shared_ptr<const LibrarySnapshot>(std::move(snapshot));
    };
    if (job == Job::openAndScan) {
        const bool opened = index.isOpen();
        auto snapshot = opened ? snapshotOf() : nullptr;
        QMetaObject::invokeMethod(
            this,
            [this, opened, snapshot] {
                opening_ = false;
                if (opened)
                    publish(snapshot);
                setAuthorized(opened);
                if (!opened)
                    setScanning(false);
                Q_EMIT libraryOpened(opened);
            },
            Qt::QueuedConnection);
        if (!opened)
            return;
    }

    LibraryScanner scanner(reader_, musicFolder_, index);
    const ScanReport report = scanner.scan(nowMs, &cancelled_);
    const bool changed = report.added + report.updated + report.removed > 0;
    auto snapshot = changed ? snapshotOf() : nullptr;
    QMetaObject::invokeMethod(
        this,
        [this, report, snapshot] {
            lastScanReport_ = report;
            if (snapshot)
                publish(snapshot);
            setScanning(false);
            Q_EMIT scanFinished();
        },
        Qt::QueuedConnection);
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

QString AppleMusicLibrary::trackFile(const QString& trackID) const {
    std::uint64_t id = 0;
    if (!snapshot_ || !TrackIdentity::parseHexTrackID(trackID, &id))
        return {};
    if (trackByID_.isEmpty()) {
        trackByID_.reserve(snapshot_->tracks.size());
        for (qsizetype i = 0; i < snapshot_->tracks.size(); ++i)
            trackByID_.insert(snapshot_->tracks[i].persistentID, i);
    }
    const auto found = trackByID_.constFind(id);
    return found == trackByID_.cend() ? QString() : snapshot_->tracks[*found].relativePath;
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
