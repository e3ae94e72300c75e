#include "playback/MprisService.h"

#include "platform/CacheFolder.h"
#include "platform/InstanceHandoff.h"
#include "platform/SaturatingMath.h"
#include "playback/MprisAdaptors.h"
#include "playback/PlaybackViewModel.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThreadPool>
#include <QWindow>

namespace {

// Local covers are handed to the desktop as files in the cache folder.
QString coverPath(const QString& albumID) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                           QStringLiteral("/media-controls");
    const QByteArray name =
        QCryptographicHash::hash(albumID.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png");
}

// The pictures handed to the desktop: those of the last weeks' albums.
constexpr CacheBounds kCoverBounds{32 * 1024 * 1024, std::chrono::hours(24 * 30)};

bool writeCover(const LocalArtworkImage& artwork, const QString& path) {
    if (QFileInfo::exists(path)) {
        touchCacheFile(path);
        return true;
    }
    const QImage image = artwork.image(QSize(512, 512));
    if (image.isNull() || !QDir().mkpath(QFileInfo(path).path())) {
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        return false;
    }
    trimCacheFolder(QFileInfo(path).path(), kCoverBounds);
    return true;
}

} // namespace

MprisService::Window MprisService::Window::of(QWindow* window) {
    return {[target = QPointer<QWindow>(window)] {
                if (target) {
                    InstanceHandoff::bringForward(target);
                }
            },
            [] { QCoreApplication::quit(); }};
}

MprisService::MprisService(PlaybackViewModel& playback, Window window, QDBusConnection bus,
                           QObject* parent)
    : QObject(parent)
    , playback_(playback)
    , window_(std::move(window))
    , bus_(std::move(bus)) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    published_ = Mpris::playerProperties(input());
    for (auto changed :
         {&PlaybackViewModel::activeSourceChanged, &PlaybackViewModel::isPlayingChanged,
          &PlaybackViewModel::nowPlayingChanged, &PlaybackViewModel::progressChanged,
          &PlaybackViewModel::volumePercentChanged}) {
        connect(&playback_, changed, this, &MprisService::republish);
    }
    connect(&playback_, &PlaybackViewModel::nowPlayingChanged, this, &MprisService::updateCover);
    // Whoever asked for it (the scrubber too), a jump is announced.
    connect(&playback_, &PlaybackViewModel::seeked, this,
            [this](qint64 ms) { Q_EMIT seeked(Saturating::multiply(ms, 1000)); });
    updateCover();
    // The object first, so that a client that sees the name finds it.
    if (bus_.isConnected() && bus_.registerObject(QString::fromLatin1(Mpris::objectPath), this,
                                                  QDBusConnection::ExportAdaptors)) {
        // Neither queued behind nor replacing another Korvid that has the name.
        ownsName_ =
            bus_.interface()->registerService(QString::fromLatin1(Mpris::serviceName),
                                              QDBusConnectionInterface::DontQueueService,
                                              QDBusConnectionInterface::DontAllowReplacement) ==
            QDBusConnectionInterface::ServiceRegistered;
        if (!ownsName_) {
            bus_.unregisterObject(QString::fromLatin1(Mpris::objectPath));
        }
    }
}

MprisService::~MprisService() {
    if (ownsName_) {
        bus_.unregisterService(QString::fromLatin1(Mpris::serviceName));
        bus_.unregisterObject(QString::fromLatin1(Mpris::objectPath));
    }
}

Mpris::MprisInput MprisService::input() const {
    Mpris::MprisInput in;
    in.source = playback_.activeSource();
    in.isPlaying = playback_.isPlaying();
    in.trackName = playback_.nowPlayingTrackName();
    in.artistNames = playback_.nowPlayingArtistNames();
    in.albumID = playback_.nowPlayingAlbumID();
    if (!playback_.nowPlayingAlbumTitle().isEmpty()) {
        in.albumName = playback_.nowPlayingAlbumTitle();
    }
    in.trackNumber = playback_.nowPlayingTrackNumber();
    const auto& artwork = playback_.nowPlayingArtwork();
    if (artwork && artwork->isRemote()) {
        in.artUrl = artwork->url();
    } else if (artwork && in.albumID == coverAlbumID_ && !coverFile_.isEmpty()) {
        in.artUrl = coverFile_;
    }
    in.durationMs = playback_.durationMs();
    in.volumePercent = playback_.volumePercent();
    return in;
}

qint64 MprisService::positionUs() const {
    return Saturating::multiply(playback_.currentProgressMsNow(), 1000);
}

void MprisService::republish() {
    QVariantMap now = Mpris::playerProperties(input());
    const QVariantMap changed = Mpris::changedProperties(published_, now);
    published_ = std::move(now);
    if (changed.isEmpty() || !ownsName_) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(Mpris::objectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(Mpris::playerInterface) << changed << QStringList();
    bus_.send(signal);
}

void MprisService::updateCover() {
    const auto& artwork = playback_.nowPlayingArtwork();
    const std::optional<QString>& albumID = playback_.nowPlayingAlbumID();
    if (!artwork || !artwork->isLocal() || !artwork->localImage() || !albumID ||
        *albumID == coverAlbumID_) {
        return;
    }
    coverAlbumID_ = *albumID;
    coverFile_.clear();
    // Decoding and writing stay off the main thread.
    const QString path = coverPath(*albumID);
    QThreadPool::globalInstance()->start(
        [image = artwork->localImage(), path, id = *albumID, self = QPointer(this)] {
            const bool written = writeCover(*image, path);
            QMetaObject::invokeMethod(qApp, [written, path, id, self] {
                if (self && written && self->coverAlbumID_ == id) {
                    self->coverFile_ = QUrl::fromLocalFile(path);
                    self->republish();
                }
            });
        });
}

void MprisService::raise() {
    if (window_.raise) {
        window_.raise();
    }
}

void MprisService::quit() {
    if (window_.quit) {
        window_.quit();
    }
}

void MprisService::transport(Mpris::Transport command) {
    if (Mpris::toggles(command, input())) {
        playback_.togglePlayPause();
    }
}

void MprisService::next() {
    if (Mpris::capabilities(input()).canGoNext) {
        playback_.skipToNext();
    }
}

void MprisService::previous() {
    if (Mpris::capabilities(input()).canGoPrevious) {
        playback_.skipToPrevious();
    }
}

void MprisService::seekBy(qint64 offsetUs) {
    const Mpris::MprisInput in = input();
    if (!Mpris::capabilities(in).canSeek) {
        return;
    }
    const auto target =
        Mpris::seekTarget(playback_.currentProgressMsNow(), in.durationMs, offsetUs);
    if (std::holds_alternative<Mpris::NextTrack>(target)) {
        playback_.skipToNext();
    } else {
        seekTo(std::get<qint64>(target));
    }
}

void MprisService::setPosition(const QString& trackID, qint64 positionUs) {
    if (const auto ms = Mpris::setPositionTarget(input(), trackID, positionUs)) {
        seekTo(*ms);
    }
}

void MprisService::seekTo(qint64 ms) {
    playback_.seek(ms); // Seeked follows the coordinator's own signal
}

void MprisService::setVolume(double volume) {
    if (const auto percent = Mpris::volumePercentFor(volume)) {
        playback_.setVolumePercent(*percent);
        playback_.commitVolume();
    }
}
