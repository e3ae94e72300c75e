#include "model/Changelog.h"

#include <gtest/gtest.h>

namespace {

TEST(ChangelogTest, ReleasesAreNewestFirstEachWithARealDateAndItsChanges) {
    const auto& releases = Changelog::releases();
    ASSERT_FALSE(releases.isEmpty());
    for (qsizetype i = 0; i < releases.size(); ++i) {
        SCOPED_TRACE(releases[i].version.toStdString());
        EXPECT_FALSE(releases[i].changes.isEmpty());
        EXPECT_GT(releases[i].date, Changelog::distantPast());
        if (i > 0) {
            EXPECT_LE(releases[i].date, releases[i - 1].date);
        }
    }
    // The notes keep their typographic quotes.
    EXPECT_TRUE(
        releases[2].changes[3].text.contains(QStringLiteral("\u201cVarious Artists\u201d")));
}

TEST(ChangelogTest, ReleaseDateNeedsThreeNumbersAndARealDay) {
    struct Row {
        const char* text;
        QDate expected; // invalid: the distant past
    };
    for (const Row& row :
         {Row{"2026-10-22", QDate(2026, 10, 22)}, Row{"2026--10-22", QDate(2026, 10, 22)},
          Row{"2026-10-22-9", QDate(2026, 10, 22)}, Row{"2026-x-10-22", QDate(2026, 10, 22)},
          Row{"2026-10", QDate()}, Row{"", QDate()}, Row{"2026-02-30", QDate()},
          Row{"twenty-ten-one", QDate()}}) {
        const QDateTime date = Changelog::releaseDate(QString::fromLatin1(row.text));
        if (row.expected.isValid()) {
            EXPECT_EQ(date.date(), row.expected) << row.text;
            EXPECT_EQ(date.time(), QTime(0, 0)) << row.text;
        } else {
            EXPECT_EQ(date, Changelog::distantPast()) << row.text;
        }
    }
}

TEST(ChangelogTest, LongDateSpellsTheMonthWithoutWeekday) {
    const QDateTime day = Changelog::releaseDate(QStringLiteral("2026-10-22"));
    EXPECT_EQ(Changelog::longDateText(day, QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("October 22, 2026"));
    EXPECT_EQ(Changelog::longDateText(day, QLocale(QLocale::German, QLocale::Germany)),
              QStringLiteral("22. Oktober 2026"));
    EXPECT_EQ(Changelog::longDateText(day, QLocale(QLocale::English, QLocale::UnitedKingdom)),
              QStringLiteral("22 October 2026"));
}

} // namespace
