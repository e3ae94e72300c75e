#pragma once

#include "model/DisplayAlbum.h"

#include <QHash>
#include <QString>

#include <cstddef>

class AppleMusicAlbum;

// An album as a screen lists it, with the key the search looks through.
struct AlbumRecord {
    DisplayAlbum album;
    QString searchKey;
};

// Keeps the display record of every album from one load to the next. Making
// a local album's record (its track list and file addresses) and classifying
// its genre tags cost more than a whole load may take, so a load builds them
// only for albums that changed since the last one. Home and Library share one.
class AlbumRecordCache {
public:
    // The record of a local album, made again only when its songs changed.
    const AlbumRecord& local(const AppleMusicAlbum& album);
    // Forgets the local albums that local() was not asked for since the
    // previous call: one call after each pass over the whole library.
    void finishLocalPass();

    // The record of an album made elsewhere (history, saved albums). Its genre
    // and search key are kept while its names and genre tags stay the same.
    AlbumRecord wrap(UnifiedAlbum album);

    qsizetype localCount() const { return local_.size(); }

private:
    struct LocalEntry {
        std::size_t stamp = 0;
        unsigned pass = 0;
        AlbumRecord record;
    };
    struct Wrapped {
        QString title;
        QString artistNames;
        QStringList rawGenres;
        Genre genre;
        QString searchKey;
    };
    // More than the history and the saved albums hold together; past it the
    // albums that left both are forgotten at once.
    static constexpr qsizetype maxWrapped = 2000;

    QHash<QString, LocalEntry> local_;
    QHash<QString, Wrapped> wrapped_;
    unsigned pass_ = 1;
};
