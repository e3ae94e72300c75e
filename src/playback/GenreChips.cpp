#include "playback/GenreChips.h"

#include <QVariantMap>

QVariantList genreChipList(const QList<DisplayAlbum>& albums, const QStringList& recency) {
    QVariantList chips;
    for (const Genre& genre : Genre::chips(albums, recency)) {
        chips.append(QVariantMap{{QStringLiteral("id"), genre.id},
                                 {QStringLiteral("displayName"), genre.displayName},
                                 {QStringLiteral("color"), genre.color}});
    }
    return chips;
}

bool noteChosenGenre(QStringList& recency, const Genre& previous, const Genre& chosen) {
    if (chosen == Genre::all() || chosen == previous)
        return false;
    recency.removeAll(chosen.id);
    recency.prepend(chosen.id);
    return true;
}

Genre genreForID(const QString& id) {
    return Genre::withID(id).value_or(Genre::all());
}
