#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct DisplayAlbum;

// One genre of the fixed catalogue that every album is sorted into.
// Genres are the same genre exactly when their ids are equal.
struct Genre {
    QString id;
    QString displayName;
    QColor color;
    QStringList keywords;
    bool isHiddenFromDiscover = false;

    bool operator==(const Genre& other) const { return id == other.id; }

    // The catalogue in its fixed order; `other` is its last entry.
    static const QList<Genre>& catalog();
    // The chip that lifts the genre filter; never a classification result.
    static const Genre& all();
    // The genre of every album nothing else fits.
    static const Genre& other();
    static std::optional<Genre> withID(const QString& id);

    // One tag to a genre: an exact display name first, then the first
    // keyword found inside the tag, in catalogue order.
    static std::optional<Genre> classify(const QString& raw);
    // The genre most of the tags classify to; ties go to the one met first.
    static Genre classify(const QStringList& rawGenres);

    // The chip row: All, then the recently used genres, then the others by
    // group, album count and catalogue order. Genres without albums are left out.
    static QList<Genre> chips(const QList<DisplayAlbum>& albums, const QStringList& recency);
};
