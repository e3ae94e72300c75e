#pragma once

#include "model/UnifiedAlbum.h"

#include <QDateTime>

struct SpotifyAlbum;

// A saved Spotify album as the album lists show it; `addedAt` is when the user
// saved it and serves as its recency.
UnifiedAlbum unifiedFromSavedAlbum(const SpotifyAlbum& album, const QDateTime& addedAt);
