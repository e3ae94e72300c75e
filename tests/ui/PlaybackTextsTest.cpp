#include "ui/PlaybackTexts.h"
#include "support/QtPrinting.h"
#include "ui/Translation.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

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

} // namespace
