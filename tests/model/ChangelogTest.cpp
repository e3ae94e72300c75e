#include "model/Changelog.h"

#include <gtest/gtest.h>

namespace {

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

} // namespace
