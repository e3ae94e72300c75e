#include "model/UnifiedAlbum.h"
#include "musicapp/TrackIdentity.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

TEST(AlbumRecordsTest, TrackIDsAreSixteenUpperCaseHexDigits) {
    struct Row {
        std::uint64_t id;
        const char* text;
    };
    const Row rows[] = {
        {0, "0000000000000000"},
        {0xAB, "00000000000000AB"},
        {255, "00000000000000FF"},
        {0x0123456789ABCDEFull, "0123456789ABCDEF"},
        {0xFFFFFFFFFFFFFFFFull, "FFFFFFFFFFFFFFFF"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TrackIdentity::hexTrackID(row.id), row.text);
        std::uint64_t parsed = 1;
        ASSERT_TRUE(TrackIdentity::parseHexTrackID(row.text, &parsed)) << row.text;
        EXPECT_EQ(parsed, row.id);
    }
    for (const char* bad : {"", "FF", "00000000000000FG", "0x000000000000FF", "00000000000000FF0"})
        EXPECT_FALSE(TrackIdentity::parseHexTrackID(bad, nullptr)) << bad;
}

// These values are stored by the music player and in listening sessions:
// they must never change between versions.
TEST(AlbumRecordsTest, PersistentIDsNeverChange) {
    EXPECT_EQ(
        TrackIdentity::hexTrackID(TrackIdentity::trackPersistentID("Artist/Album/01 Song.flac")),
        "6F086A1A84B13867");
    EXPECT_EQ(TrackIdentity::albumPersistentID("Kid A", "Radiohead", "anywhere"),
              5168076536886376188ull);
}

TEST(AlbumRecordsTest, RecencyOnlyMovesForward) {
    UnifiedAlbum album;
    album.id = QStringLiteral("apple-1");
    album.sortDate = QDateTime(QDate(2024, 1, 1), QTime(0, 0), QTimeZone::utc());
    const QDateTime later = album.sortDate.addDays(3);
    EXPECT_EQ(album.withRecency(later).sortDate, later);
    EXPECT_EQ(album.withRecency(album.sortDate.addDays(-3)).sortDate, album.sortDate);
    EXPECT_EQ(album.withRecency(QDateTime()).sortDate, album.sortDate);
    EXPECT_LT(distantPast(), QDateTime::fromMSecsSinceEpoch(0, QTimeZone::utc()));
}

} // namespace
