#include "musicapp/FolderCover.h"

#include <array>
#include <optional>

namespace FolderCover {

namespace {

constexpr std::array extensions{"jpg", "jpeg", "png", "webp", "gif", "bmp"};
constexpr std::array preferredNames{"cover", "folder", "front", "album", "albumart"};

std::optional<int> extensionRank(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0)
        return std::nullopt;
    const QStringView extension = QStringView(fileName).mid(dot + 1);
    for (int i = 0; i < int(extensions.size()); ++i) {
        if (extension.compare(QLatin1String(extensions[i]), Qt::CaseInsensitive) == 0)
            return i;
    }
    return std::nullopt;
}

// Lower is better; absent for a picture that is not a cover.
std::optional<int> nameRank(const QString& fileName) {
    const QString base = fileName.left(fileName.lastIndexOf(u'.')).toLower();
    for (int i = 0; i < int(preferredNames.size()); ++i) {
        if (base == QLatin1String(preferredNames[i]))
            return i;
    }
    if (base.contains(QLatin1String("cover")) || base.contains(QLatin1String("front")))
        return int(preferredNames.size());
    return std::nullopt;
}

// Same rank: the first name without regard to case, then by code point, so
// the choice never depends on the order the folder lists its files in.
bool byName(const QString& a, const QString& b) {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

} // namespace

bool isImageFileName(const QString& fileName) {
    return extensionRank(fileName).has_value();
}

QString choose(const QStringList& fileNames) {
    QString best;
    std::pair<int, int> bestRank;
    for (const QString& name : fileNames) {
        const auto extension = extensionRank(name);
        const auto rank = extension ? nameRank(name) : std::nullopt;
        if (!rank)
            continue;
        const std::pair<int, int> candidate{*rank, *extension};
        if (best.isEmpty() || candidate < bestRank ||
            (candidate == bestRank && byName(name, best))) {
            best = name;
            bestRank = candidate;
        }
    }
    return best;
}

} // namespace FolderCover
