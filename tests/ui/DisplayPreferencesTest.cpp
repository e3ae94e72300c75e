#include "ui/DisplayPreferences.h"
#include "support/TestHome.h"

#include <QSettings>

#include <gtest/gtest.h>

namespace {

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

} // namespace
