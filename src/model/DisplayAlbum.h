#pragma once

#include "model/Genre.h"
#include "model/UnifiedAlbum.h"

#include <QString>

// An album as the grids and menus list it, with its classified genre.
// Its identity is its album's id.
struct DisplayAlbum {
    UnifiedAlbum album;
    Genre genre;

    const QString& id() const { return album.id; }

    // Wraps the album with the genre most of its raw tags classify to.
    static DisplayAlbum classified(UnifiedAlbum album);
};
