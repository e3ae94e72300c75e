#include "model/SavedAlbumConversion.h"

#include "spotify/SpotifyRecords.h"

UnifiedAlbum unifiedFromSavedAlbum(const SpotifyAlbum& album, const QDateTime& addedAt) {
    UnifiedAlbum unified;
    unified.id = QStringLiteral("spotify-") + album.id;
    unified.title = album.name;
    unified.artistNames = album.artistNames();
    // The first image, not the largest: Spotify lists the largest first anyway
    // and the grid scales it down.
    std::optional<QUrl> cover;
    if (!album.images.isEmpty()) {
        const QUrl url(album.images.first().url, QUrl::StrictMode);
        if (url.isValid() && !url.isRelative())
            cover = url;
    }
    unified.artwork = AlbumArtwork::remote(cover);
    unified.sortDate = addedAt;
    unified.trackCount = album.totalTracks.value_or(0);
    unified.playback = UnifiedAlbum::Playback::spotify(album.uri);
    return unified;
}
