#include "ui/PlaybackTexts.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <array>
#include <climits>

namespace PlaybackTexts {

QString time(qint64 ms) {
    const qint64 seconds = std::max<qint64>(0, ms / 1000);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString readableName(const QString& name) {
    const QString line = name.simplified();
    return line.isEmpty() ? QCoreApplication::translate("PlaybackTexts", "Unnamed Speaker") : line;
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

QString playingOn(const QString& name, bool isLegacySpeaker, bool isGroup) {
    if (isLegacySpeaker && isGroup) {
        return QCoreApplication::translate("PlaybackTexts",
                                           "Playing on %1, legacy AirPlay 1 speakers")
            .arg(name);
    }
    return isLegacySpeaker
               ? QCoreApplication::translate("PlaybackTexts",
                                             "Playing on %1, a legacy AirPlay 1 speaker")
                     .arg(name)
               : QCoreApplication::translate("PlaybackTexts", "Playing on %1").arg(name);
}

QString groupName(const QStringList& names) {
    QString joined;
    for (const QString& name : names) {
        joined = joined.isEmpty() ? readableName(name)
                                  : QCoreApplication::translate("PlaybackTexts", "%1 + %2")
                                        .arg(joined, readableName(name));
    }
    return joined;
}

QString relativeTime(const QDateTime& then, const QDateTime& now) {
    struct Unit {
        qint64 seconds;
        const char* text;
    };
    static constexpr std::array<Unit, 7> units = {{
        {365 * 86400, QT_TRANSLATE_N_NOOP("PlaybackTexts", "%n year(s) ago")},
        {30 * 86400, QT_TRANSLATE_N_NOOP("PlaybackTexts", "%n month(s) ago")},
        {7 * 86400, QT_TRANSLATE_N_NOOP("PlaybackTexts", "%n week(s) ago")},
        {86400, QT_TRANSLATE_N_NOOP("PlaybackTexts", "%n day(s) ago")},
        {3600, QT_TRANSLATE_N_NOOP("PlaybackTexts", "%n hour(s) ago")},
        {60, QT_TRANSLATE_N_NOOP("PlaybackTexts", "%n minute(s) ago")},
        {1, QT_TRANSLATE_N_NOOP("PlaybackTexts", "%n second(s) ago")},
    }};
    // A session stored "later" than now (a clock set back) reads as just now.
    const qint64 elapsed = std::max<qint64>(0, then.secsTo(now));
    for (const Unit& unit : units) {
        const qint64 count = elapsed / unit.seconds;
        if (count > 0 || unit.seconds == 1) {
            return QCoreApplication::translate("PlaybackTexts", unit.text, nullptr,
                                               int(std::min<qint64>(count, INT_MAX)));
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
    return QCoreApplication::translate("PlaybackTexts", "This Computer");
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
