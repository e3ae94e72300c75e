#pragma once

#include "model/DisplayAlbum.h"

#include <QStringList>
#include <QVariantList>

// The chip row above a grid as the views draw it: one map per chip with the
// genre's "id", "displayName" and "color".
QVariantList genreChipList(const QList<DisplayAlbum>& albums, const QStringList& recency);

// What choosing a genre does to the list of recently chosen ones: the genre
// moves to the front, unless it is All or the one chosen before.
bool noteChosenGenre(QStringList& recency, const Genre& previous, const Genre& chosen);

// A genre by id for the views; All for "all" and for ids no genre has.
Genre genreForID(const QString& id);
