#pragma once

#include "model/Genre.h"

#include <QString>

// An album as the grids and menus list it, with its classified genre.
struct DisplayAlbum {
    QString id;
    Genre genre;
};
