#pragma once

#include "musicapp/AppleMusicAlbum.h"
#include "musicapp/LibraryScanner.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

class Clock;
class TagReader;

// The local music library: the albums of the music folder, read from
// Korvid's own index, which a background scan keeps in line with the folder.
// Lives on the main thread. The player half joins it later.
class AppleMusicLibrary : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isAuthorized READ isAuthorized NOTIFY isAuthorizedChanged)
    Q_PROPERTY(bool isScanning READ isScanning NOTIFY isScanningChanged)
    Q_PROPERTY(QString musicFolder READ musicFolder CONSTANT)
public:
    // The index lives at LibraryIndex::defaultPath() and tags are read with TagLib.
    explicit AppleMusicLibrary(QString musicFolder, QObject* parent = nullptr);
    AppleMusicLibrary(QString musicFolder, QString indexPath,
                      std::shared_ptr<const TagReader> reader, const Clock* clock = nullptr,
                      QObject* parent = nullptr);
    ~AppleMusicLibrary() override;

    // Opens the index and starts a scan of the folder. True once the music
    // folder could be read and the index opened; then it stays true.
    QCoro::Task<bool> requestAuthorizationIfNeeded();

    bool isAuthorized() const { return isAuthorized_; }
    bool isScanning() const { return isScanning_; }
    const QString& musicFolder() const { return musicFolder_; }

    // The albums of the index as it stands; empty before authorization.
    QList<AppleMusicAlbum> albums() const;

    // Looks at the folder again in the background (new, changed and removed
    // files). Does nothing before authorization or while a scan runs.
    void rescan();
    // What the last finished scan did.
    const ScanReport& lastScanReport() const { return lastScanReport_; }

Q_SIGNALS:
    void isAuthorizedChanged();
    void isScanningChanged();
    // The index changed: albums() now answers differently.
    void albumsChanged();
    void scanFinished();
    // The index was opened (or could not be); ends an authorization attempt.
    void libraryOpened(bool opened);

private:
    enum class Job { openAndScan, scan };
    void startJob(Job job);
    void runJob(Job job, qint64 nowMs);
    void joinWorker();
    void setAuthorized(bool value);
    void setScanning(bool value);
    void publish(std::shared_ptr<const LibrarySnapshot> snapshot);

    QString musicFolder_;
    QString indexPath_;
    std::shared_ptr<const TagReader> reader_;
    const Clock* clock_;

    std::shared_ptr<const LibrarySnapshot> snapshot_; // the open library; null until opened
    bool opening_ = false;
    bool isAuthorized_ = false;
    bool isScanning_ = false;
    ScanReport lastScanReport_;

    std::thread worker_;
    std::atomic<bool> cancelled_{false};
};
