#include "model/AlbumDisplayStyle.h"
#include "platform/SettingsWriter.h"

#include "model/PreferenceKeys.h"
#include "model/StoredValues.h"

#include <QSettings>

#include <QCoreApplication>

#include <array>

namespace {
struct StyleRow {
    AlbumDisplayStyle style;
    const char* raw;
    const char* label;
};

constexpr std::array<StyleRow, 2> kStyles{{
    {AlbumDisplayStyle::coverOnly, "coverOnly",
     QT_TRANSLATE_NOOP("AlbumDisplayStyle", "Cover Only")},
    {AlbumDisplayStyle::coverWithDetails, "coverWithDetails",
     QT_TRANSLATE_NOOP("AlbumDisplayStyle", "Cover, Artist & Title")},
}};
} // namespace

namespace AlbumDisplayStyles {

QList<AlbumDisplayStyle> allCases() {
    QList<AlbumDisplayStyle> cases;
    for (const auto& entry : kStyles) {
        cases.append(entry.style);
    }
    return cases;
}

QString rawValue(AlbumDisplayStyle style) {
    return QString::fromLatin1(kStyles.at(static_cast<size_t>(style)).raw);
}

QString label(AlbumDisplayStyle style) {
    return QString::fromLatin1(kStyles.at(static_cast<size_t>(style)).label);
}

AlbumDisplayStyle fromStored(const QString& raw) {
    for (const auto& entry : kStyles) {
        if (raw == QLatin1String(entry.raw)) {
            return entry.style;
        }
    }
    return AlbumDisplayStyle::coverOnly;
}

AlbumDisplayStyle storedStyle() {
    return fromStored(QSettings().value(PreferenceKeys::albumDisplayStyle).toString());
}

void storeStyle(AlbumDisplayStyle style) {
    SettingsWriter::instance().writeNow(PreferenceKeys::albumDisplayStyle, rawValue(style));
}

double storedThumbnailSize() {
    return StoredValues::number(QSettings().value(PreferenceKeys::albumThumbnailSize))
        .value_or(defaultThumbnailSize);
}

void storeThumbnailSize(double size) {
    // Every step of the slider: the file follows when it settles.
    SettingsWriter::instance().writeSoon(PreferenceKeys::albumThumbnailSize, size);
}

} // namespace AlbumDisplayStyles
