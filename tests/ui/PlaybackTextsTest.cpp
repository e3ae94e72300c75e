#include "ui/PlaybackTexts.h"
#include "support/QtPrinting.h"
#include "ui/Translation.h"

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

// In English and in German, whose plurals come from the translation files.
TEST(PlaybackTexts, RelativeTimesNameTheLargestWholeUnit) {
    const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), QTimeZone::utc());
    struct Case {
        qint64 seconds;
        const char* english;
        const char* german;
    };
    const std::vector<Case> cases = {
        {0, "0 seconds ago", "vor 0 Sekunden"},    {1, "1 second ago", "vor 1 Sekunde"},
        {59, "59 seconds ago", "vor 59 Sekunden"}, {60, "1 minute ago", "vor 1 Minute"},
        {7200, "2 hours ago", "vor 2 Stunden"},    {86400, "1 day ago", "vor 1 Tag"},
        {13 * 86400, "1 week ago", "vor 1 Woche"}, {400 * 86400, "1 year ago", "vor 1 Jahr"},
        {-600, "0 seconds ago", "vor 0 Sekunden"}};
    for (const bool german : {false, true}) {
        Translation::install(QLocale(german ? QLocale::German : QLocale::English));
        for (const Case& c : cases) {
            EXPECT_EQ(PlaybackTexts::relativeTime(now.addSecs(-c.seconds), now),
                      german ? c.german : c.english)
                << c.seconds;
        }
    }
    Translation::install();
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
