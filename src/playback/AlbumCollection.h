#pragma once

#include "playback/AlbumRecordCache.h"

#include <QDateTime>
#include <QList>

#include <functional>
#include <vector>

// The rules Home and Library share for turning albums into a list.
namespace AlbumCollection {

// Positions 0..count-1 ordered by date, later first; equal dates keep their
// order. Invalid dates count as the earliest.
std::vector<qsizetype> newestFirst(qsizetype count,
                                   const std::function<QDateTime(qsizetype)>& dateAt);

// A cover to show: a remote address, or a local picture.
bool hasCoverArt(const UnifiedAlbum& album);

// Keeps the albums with at least `minTracks` tracks (and a cover when
// `needsCoverArt`), the first of each id, newest first.
QList<AlbumRecord> finish(QList<AlbumRecord> records, qint64 minTracks, bool needsCoverArt);

QList<DisplayAlbum> displayAlbums(QList<AlbumRecord> records);

} // namespace AlbumCollection
