#include "playback/MprisState.h"

#include "platform/SaturatingMath.h"

#include <QCryptographicHash>
#include <QDBusObjectPath>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace Mpris {

Capabilities capabilities(const MprisInput& input) {
    const bool active = input.source.has_value();
    // A position within the track can be chosen once its length is known.
    const bool seekable = active && input.durationMs > 0;
    return {active, active, active, active, seekable};
}

bool toggles(Transport command, const MprisInput& input) {
    if (!input.source) {
        return false;
    }
    switch (command) {
    case Transport::playPause:
        return true;
    case Transport::play:
        return !input.isPlaying;
    case Transport::pause:
    case Transport::stop:
        return input.isPlaying;
    }
    return false;
}

QString trackID(const MprisInput& input) {
    if (!input.source || !input.albumID) {
        return QString::fromLatin1(noTrackPath);
    }
    // A path element allows only [A-Za-z0-9_]; a digest of album and track
    // names the track whatever characters they hold.
    const QByteArray digest =
        QCryptographicHash::hash(
            (*input.albumID + QLatin1Char('\n') + input.trackName.value_or(QString())).toUtf8(),
            QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QStringLiteral("/com/korvid/Track/t") + QString::fromLatin1(digest);
}

namespace {

QString playbackStatus(const MprisInput& input) {
    if (!input.source) {
        return QStringLiteral("Stopped");
    }
    return input.isPlaying ? QStringLiteral("Playing") : QStringLiteral("Paused");
}

QVariantMap metadata(const MprisInput& input) {
    QVariantMap map{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackID(input)))}};
    if (!input.source || !input.albumID) {
        return map;
    }
    if (input.trackName) {
        map.insert(QStringLiteral("xesam:title"), *input.trackName);
    }
    if (input.artistNames) {
        // Already joined for display; splitting again would break names with commas.
        map.insert(QStringLiteral("xesam:artist"), QStringList{*input.artistNames});
    }
    if (input.albumName) {
        map.insert(QStringLiteral("xesam:album"), *input.albumName);
    }
    if (input.trackNumber > 0) {
        map.insert(QStringLiteral("xesam:trackNumber"), input.trackNumber);
    }
    if (input.artUrl && input.artUrl->isValid()) {
        map.insert(QStringLiteral("mpris:artUrl"), input.artUrl->toString());
    }
    if (input.durationMs > 0) {
        map.insert(QStringLiteral("mpris:length"),
                   qlonglong(Saturating::multiply(input.durationMs, 1000)));
    }
    return map;
}

} // namespace

QVariantMap playerProperties(const MprisInput& input) {
    const Capabilities can = capabilities(input);
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus(input)},
        {QStringLiteral("Metadata"), metadata(input)},
        {QStringLiteral("Volume"), std::clamp(input.volumePercent / 100.0, 0.0, 1.0)},
        {QStringLiteral("CanPlay"), can.canPlay},
        {QStringLiteral("CanPause"), can.canPause},
        {QStringLiteral("CanGoNext"), can.canGoNext},
        {QStringLiteral("CanGoPrevious"), can.canGoPrevious},
        {QStringLiteral("CanSeek"), can.canSeek},
    };
}

QVariantMap changedProperties(const QVariantMap& before, const QVariantMap& now) {
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const auto old = before.constFind(it.key());
        if (old == before.cend() || *old != it.value()) {
            changed.insert(it.key(), it.value());
        }
    }
    return changed;
}

std::optional<double> volumePercentFor(double mprisVolume) {
    if (std::isnan(mprisVolume)) {
        return std::nullopt;
    }
    return std::clamp(mprisVolume, 0.0, 1.0) * 100.0;
}

std::variant<qint64, NextTrack> seekTarget(qint64 positionMs, qint64 durationMs, qint64 offsetUs) {
    const qint64 target = Saturating::add(positionMs, offsetUs / 1000);
    if (target > durationMs) {
        return NextTrack{};
    }
    return std::max<qint64>(target, 0);
}

std::optional<qint64> setPositionTarget(const MprisInput& input, const QString& requestedTrackID,
                                        qint64 positionUs) {
    if (!capabilities(input).canSeek || requestedTrackID != trackID(input) || positionUs < 0 ||
        positionUs > Saturating::multiply(input.durationMs, 1000)) {
        return std::nullopt;
    }
    return positionUs / 1000;
}

} // namespace Mpris
