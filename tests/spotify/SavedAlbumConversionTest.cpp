// A saved Spotify album as the program's album record.
#include "spotify/SavedAlbumConversion.h"
#include "spotify/SpotifyRecords.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

SpotifyAlbum savedAlbum() {
    SpotifyAlbum album;
    album.id = QStringLiteral("4aawyAB9vmqN3uQ7FjRGTy");
    album.name = QStringLiteral("Global Warming");
    album.uri = QStringLiteral("spotify:album:4aawyAB9vmqN3uQ7FjRGTy");
    album.artists = {{QStringLiteral("a1"), QStringLiteral("Pitbull"), std::nullopt},
                     {QStringLiteral("a2"), QStringLiteral("Christina Aguilera"), std::nullopt}};
    album.images = {{QStringLiteral("https://i.scdn.co/image/small"), 64, 64},
                    {QStringLiteral("https://i.scdn.co/image/large"), 640, 640}};
    album.totalTracks = 12;
    return album;
}

TEST(SavedAlbumConversion, SavedSpotifyAlbumBecomesUnifiedAlbumWithOrWithoutImages) {
    struct Row {
        const char* name;
        QList<SpotifyImage> images;
        std::optional<qint64> totalTracks;
        std::optional<QUrl> expectedURL;
        qint64 expectedCount;
    };
    const Row rows[] = {
        // The first image, even though a larger one follows.
        {"two images", savedAlbum().images, 12, QUrl("https://i.scdn.co/image/small"), 12},
        {"no images", {}, std::nullopt, std::nullopt, 0},
        {"not a URL", {{QStringLiteral("http://exa mple.com/%%"), {}, {}}}, 3, std::nullopt, 3},
        {"relative", {{QStringLiteral("image/x"), {}, {}}}, 0, std::nullopt, 0},
    };
    const QDateTime added(QDate(2024, 3, 1), QTime(10, 0), QTimeZone::utc());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SpotifyAlbum spotify = savedAlbum();
        spotify.images = row.images;
        spotify.totalTracks = row.totalTracks;
        const UnifiedAlbum album = unifiedFromSavedAlbum(spotify, added);
        EXPECT_EQ(album.id, "spotify-4aawyAB9vmqN3uQ7FjRGTy");
        EXPECT_EQ(album.title, "Global Warming");
        EXPECT_EQ(album.artistNames, "Pitbull, Christina Aguilera");
        EXPECT_EQ(album.sortDate, added);
        ASSERT_TRUE(album.playback.isSpotify());
        EXPECT_EQ(*album.playback.spotifyURI(), spotify.uri);
        EXPECT_TRUE(album.artwork.isRemote());
        EXPECT_EQ(album.artwork.url(), row.expectedURL);
        EXPECT_EQ(album.trackCount, row.expectedCount);
    }
}

} // namespace
