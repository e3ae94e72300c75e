#include "spotify/SavedAlbumConversion.h"

#include "spotify/SpotifyRecords.h"

UnifiedAlbum unifiedFromSavedAlbum(const SpotifyAlbum& album, const QDateTime& addedAt) {
    UnifiedAlbum unified;
    unified.id = QStringLiteral("spotify-") + album.id;
    unified.title = album.name;
    unified.artistNames = album.artistNames();
    unified.artwork = AlbumArtwork::remote(album.coverURL());
    unified.sortDate = addedAt;
    unified.trackCount = album.totalTracks.value_or(0);
    unified.playback = UnifiedAlbum::Playback::spotify(album.uri);
    return unified;
}
