#include "ui/DisplayPreferences.h"
#include "support/TestHome.h"
#include "ui/SettingsPresenter.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace {

TEST(DisplayPreferencesTest, GridColumnsStayBetweenSizeAndOneAndAHalfTimesIt) {
    struct Row {
        double width, size;
        int count;
        double cellWidth;
    };
    const Row rows[] = {
        {1000, 110, 8, 111},
        {1100, 140, 7, (1100 - 6 * 16) / 7.0}, // 143.4: wider than 140, under 203
        {110, 110, 1, 110},
        {300, 110, 2, 142},
        {240, 110, 2, 112},
        {80, 110, 1, 80}, // a window narrower than one cover
        {2000, 260, 7, (2000 - 6 * 16) / 7.0},
        {200, 130, 1, 188.5}, // one column, capped at 1.45 times the size
    };
    for (const auto& row : rows) {
        const auto columns = adaptiveGridColumns(row.width, row.size);
        EXPECT_EQ(columns.count, row.count) << row.width << " " << row.size;
        EXPECT_DOUBLE_EQ(columns.cellWidth, row.cellWidth) << row.width << " " << row.size;
    }
}

TEST(DisplayPreferencesTest, StoresStyleAndSizeAndNotifies) {
    TestHome home;
    DisplayPreferences preferences;
    EXPECT_EQ(preferences.displayStyleIndex(), 0);
    EXPECT_FALSE(preferences.showsDetails());
    EXPECT_EQ(preferences.thumbnailSize(), 110.0);
    preferences.setDisplayStyleIndex(1);
    preferences.setDisplayStyleIndex(7); // out of range: ignored
    preferences.setThumbnailSize(200.5);
    EXPECT_EQ(QSettings().value("albumDisplayStyle").toString(),
              QStringLiteral("coverWithDetails"));
    home.restartSettings();
    DisplayPreferences reopened;
    EXPECT_TRUE(reopened.showsDetails());
    EXPECT_EQ(reopened.thumbnailSize(), 200.5);
}

TEST(SettingsPresenterTest, SliderValueIsTruncated) {
    EXPECT_EQ(SettingsPresenter::minTracksFromSlider(4.99), 4);
    EXPECT_EQ(SettingsPresenter::minTracksFromSlider(1.0), 1);
    EXPECT_EQ(SettingsPresenter::minTracksFromSlider(10.0), 10);
    EXPECT_EQ(SettingsPresenter().displayStyleLabels(),
              (QStringList{"Cover Only", "Cover, Artist & Title"}));
}

} // namespace
