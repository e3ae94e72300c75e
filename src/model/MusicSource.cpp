#include "model/MusicSource.h"

#include <QCoreApplication>

#include <array>

namespace {
struct SourceRow {
    MusicSource source;
    const char* raw;
    const char* label;
    bool spotify;
    bool appleMusic;
    double red, green, blue;
};

constexpr std::array<SourceRow, 3> kSources{{
    {MusicSource::spotify, "spotify", QT_TRANSLATE_NOOP("MusicSource", "Spotify"), true, false,
     0.18, 0.66, 0.38},
    {MusicSource::appleMusic, "appleMusic", QT_TRANSLATE_NOOP("MusicSource", "Local Music"), false,
     true, 0.80, 0.22, 0.29},
    {MusicSource::both, "both", QT_TRANSLATE_NOOP("MusicSource", "Both"), true, true, 0.85, 0.27,
     0.32},
}};

const SourceRow& row(MusicSource source) {
    return kSources.at(static_cast<size_t>(source));
}
} // namespace

namespace MusicSources {

QList<MusicSource> allCases() {
    QList<MusicSource> cases;
    for (const auto& entry : kSources) {
        cases.append(entry.source);
    }
    return cases;
}

QString rawValue(MusicSource source) {
    return QString::fromLatin1(row(source).raw);
}

std::optional<MusicSource> fromRawValue(const QString& raw) {
    for (const auto& entry : kSources) {
        if (raw == QLatin1String(entry.raw)) {
            return entry.source;
        }
    }
    return std::nullopt;
}

QString label(MusicSource source) {
    return QString::fromLatin1(row(source).label);
}

bool includesSpotify(MusicSource source) {
    return row(source).spotify;
}

bool includesAppleMusic(MusicSource source) {
    return row(source).appleMusic;
}

QColor tint(MusicSource source) {
    const auto& entry = row(source);
    return QColor::fromRgbF(float(entry.red), float(entry.green), float(entry.blue), 1.0f);
}

bool prefersDarkScheme(MusicSource source) {
    return source != MusicSource::appleMusic;
}

} // namespace MusicSources
