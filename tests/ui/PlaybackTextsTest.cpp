#include "ui/PlaybackTexts.h"
#include "support/QtPrinting.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

TEST(PlaybackTexts, TimesAreMinutesAndTwoDigitSeconds) {
    const std::vector<std::pair<qint64, const char*>> cases = {
        {0, "0:00"},       {999, "0:00"},      {61000, "1:01"},
        {600000, "10:00"}, {3723000, "62:03"}, {-5000, "0:00"}};
    for (const auto& [ms, text] : cases) {
        EXPECT_EQ(PlaybackTexts::time(ms), text) << ms;
    }
}

TEST(PlaybackTexts, RelativeTimesNameTheLargestWholeUnit) {
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());
    const std::vector<std::pair<qint64, const char*>> cases = {
        {0, "0 seconds ago"},       {1, "1 second ago"},         {59, "59 seconds ago"},
        {60, "1 minute ago"},       {7200, "2 hours ago"},       {86400, "1 day ago"},
        {13 * 86400, "1 week ago"}, {400 * 86400, "1 year ago"}, {-600, "0 seconds ago"}};
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(PlaybackTexts::relativeTime(now.addSecs(-seconds), now), text) << seconds;
    }
}

TEST(PlaybackTexts, UpNextFollowsThePlayingAlbumAndWraps) {
    QList<DisplayAlbum> albums;
    for (const char* id : {"a", "b", "c"}) {
        UnifiedAlbum album;
        album.id = QString::fromLatin1(id);
        albums << DisplayAlbum{album, Genre::other()};
    }
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"a", "b"}, {"c", "a"}, {"", "a"}, {"gone", "a"}};
    for (const auto& [playing, next] : cases) {
        EXPECT_EQ(PlaybackTexts::nextAlbum(albums, QString::fromLatin1(playing))->id(), next);
    }
    EXPECT_FALSE(PlaybackTexts::nextAlbum({}, "a").has_value());
}

} // namespace
