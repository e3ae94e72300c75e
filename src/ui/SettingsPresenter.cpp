#include "ui/SettingsPresenter.h"

#include "model/AlbumDisplayStyle.h"
#include "model/AppVersion.h"
#include "model/MusicSource.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>

QVariantList SettingsPresenter::sources() const {
    QVariantList sources;
    for (auto source : MusicSources::allCases()) {
        sources << QVariantMap{
            {QStringLiteral("value"), static_cast<int>(source)},
            {QStringLiteral("label"),
             QCoreApplication::translate("MusicSource", qPrintable(MusicSources::label(source)))}};
    }
    return sources;
}

bool SettingsPresenter::includesSpotify(int source) {
    const QList<MusicSource> all = MusicSources::allCases();
    return source >= 0 && source < all.size() && MusicSources::includesSpotify(all.at(source));
}

QString SettingsPresenter::sourceCaption() const {
    return tr("\"Both\" merges albums from Spotify and your local music library, interleaved by "
              "recency.");
}

QStringList SettingsPresenter::displayStyleLabels() const {
    QStringList labels;
    for (auto style : AlbumDisplayStyles::allCases()) {
        labels << QCoreApplication::translate("AlbumDisplayStyle",
                                              qPrintable(AlbumDisplayStyles::label(style)));
    }
    return labels;
}

QString SettingsPresenter::filteringCaption() const {
    return tr("Albums with fewer tracks than this are hidden from Home and Library.");
}

QString SettingsPresenter::versionLine() const {
    return AppVersion::displayLine();
}

int SettingsPresenter::minTracksFromSlider(double value) {
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    return std::isfinite(value) ? int(std::clamp(std::trunc(value), lowest, highest)) : 0;
}
