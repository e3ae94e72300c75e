#include "ui/PlaybackTexts.h"

#include <QHash>

#include <algorithm>
#include <array>

namespace PlaybackTexts {

QString time(qint64 ms) {
    const qint64 seconds = std::max<qint64>(0, ms / 1000);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString readableName(const QString& name) {
    const QString line = name.simplified();
    return line.isEmpty() ? QStringLiteral("Unnamed Speaker") : line;
}

QString spotifyDeviceSymbol(const QString& type) {
    static const QHash<QString, QString> symbols = {
        {QStringLiteral("computer"), QStringLiteral("desktopcomputer")},
        {QStringLiteral("smartphone"), QStringLiteral("iphone")},
        {QStringLiteral("speaker"), QStringLiteral("hifispeaker.fill")},
        {QStringLiteral("tv"), QStringLiteral("tv")},
        {QStringLiteral("avr"), QStringLiteral("tv.and.hifispeaker.fill")},
        {QStringLiteral("stb"), QStringLiteral("tv.and.hifispeaker.fill")},
        {QStringLiteral("castvideo"), QStringLiteral("tv.and.hifispeaker.fill")},
        {QStringLiteral("audiodongle"), QStringLiteral("airplayaudio")},
        {QStringLiteral("castaudio"), QStringLiteral("airplayaudio")},
        {QStringLiteral("automobile"), QStringLiteral("car.fill")},
        {QStringLiteral("gameconsole"), QStringLiteral("gamecontroller.fill")},
    };
    return symbols.value(type.toLower(), QStringLiteral("hifispeaker"));
}

QString playingOn(const QString& name, bool isLegacySpeaker) {
    QString text = QStringLiteral("Playing on ") + name;
    if (isLegacySpeaker) {
        text += QStringLiteral(", a legacy AirPlay 1 speaker");
    }
    return text;
}

QString relativeTime(const QDateTime& then, const QDateTime& now) {
    struct Unit {
        qint64 seconds;
        const char* one;
        const char* many;
    };
    static constexpr std::array<Unit, 7> units = {{
        {365 * 86400, "year", "years"},
        {30 * 86400, "month", "months"},
        {7 * 86400, "week", "weeks"},
        {86400, "day", "days"},
        {3600, "hour", "hours"},
        {60, "minute", "minutes"},
        {1, "second", "seconds"},
    }};
    // A session stored "later" than now (a clock set back) reads as just now.
    const qint64 elapsed = std::max<qint64>(0, then.secsTo(now));
    for (const Unit& unit : units) {
        const qint64 count = elapsed / unit.seconds;
        if (count > 0 || unit.seconds == 1) {
            return QStringLiteral("%1 %2 ago")
                .arg(count)
                .arg(QLatin1String(count == 1 ? unit.one : unit.many));
        }
    }
    return {};
}

QString deviceName(const ListeningSession::Device& device) {
    if (const auto* legacy = device.as<ListeningSession::Device::LegacyAirPlay>()) {
        return legacy->name;
    }
    if (const auto* music = device.as<ListeningSession::Device::AirPlay>()) {
        return music->name;
    }
    if (const auto* spotify = device.as<ListeningSession::Device::SpotifyConnect>()) {
        return spotify->name;
    }
    return QStringLiteral("This Computer");
}

std::optional<DisplayAlbum> nextAlbum(const QList<DisplayAlbum>& albums,
                                      const QString& nowPlayingAlbumID) {
    if (albums.isEmpty()) {
        return std::nullopt;
    }
    const auto playing = std::find_if(albums.cbegin(), albums.cend(), [&](const DisplayAlbum& a) {
        return !nowPlayingAlbumID.isEmpty() && a.id() == nowPlayingAlbumID;
    });
    if (playing == albums.cend() || std::next(playing) == albums.cend()) {
        return albums.first();
    }
    return *std::next(playing);
}

} // namespace PlaybackTexts
