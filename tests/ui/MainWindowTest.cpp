#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "support/QmlFind.h"
#include "support/RunTask.h"
#include "support/TestHome.h"
#include "ui/UiComposition.h"

#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        UiComposition::useViewStyle();
        UiComposition::expose(engine, UiModels{&sourceSettings, &filterSettings});
        engine.load(UiComposition::mainWindowUrl());
        ASSERT_FALSE(engine.rootObjects().isEmpty());
        window = qobject_cast<QQuickWindow*>(engine.rootObjects().constFirst());
        ASSERT_NE(window, nullptr);
    }

    QObject* find(const char* name) {
        return findByObjectName(window, QString::fromLatin1(name));
    }

    // Reads an item's text once the views have caught up.
    QString textOf(const char* name) {
        QObject* item = find(name);
        return item ? item->property("text").toString() : QStringLiteral("(missing %1)").arg(name);
    }

    bool looksDark() const { return window->color().lightnessF() < 0.5; }

    TestHome home;
    MusicSourceSettings sourceSettings;
    AlbumFilterSettings filterSettings;
    QQmlApplicationEngine engine;
    QQuickWindow* window = nullptr;
};

TEST_F(MainWindowTest, OpensWithTitleTabsAndEmptyHome) {
    EXPECT_EQ(window->title(), QStringLiteral("Korvid"));
    for (const char* tab : {"tabHome", "tabLibrary", "tabSettings"}) {
        EXPECT_NE(find(tab), nullptr) << tab;
    }
    EXPECT_EQ(find("homeEmptyState")->property("title").toString(), QStringLiteral("No Recent Albums"));
    EXPECT_EQ(find("homeEmptyState")->property("message").toString(),
              QStringLiteral("Play something on Spotify and it will show up here."));
    EXPECT_TRUE(looksDark());
}

TEST_F(MainWindowTest, ChangingTheSourceInSettingsStoresItAndSwitchesScheme) {
    QObject* localMusic = find("sourceOption1");
    ASSERT_NE(localMusic, nullptr);
    EXPECT_EQ(localMusic->property("text").toString(), QStringLiteral("Local Music"));
    QMetaObject::invokeMethod(localMusic, "clicked");

    EXPECT_EQ(QSettings().value("musicSource").toString(), QStringLiteral("appleMusic"));
    EXPECT_EQ(sourceSettings.current(), MusicSource::appleMusic);
    EXPECT_TRUE(waitUntil([&] { return !looksDark(); }, std::chrono::seconds(2)));
    EXPECT_EQ(find("homeEmptyState")->property("message").toString(),
              QStringLiteral("Play something in your local music library and it will show up here."));

    QMetaObject::invokeMethod(find("sourceOption2"), "clicked");
    EXPECT_EQ(QSettings().value("musicSource").toString(), QStringLiteral("both"));
    EXPECT_TRUE(waitUntil([&] { return looksDark(); }, std::chrono::seconds(2)));
    EXPECT_EQ(find("sourceOption2")->property("checked").toBool(), true);
    EXPECT_EQ(find("sourceOption1")->property("checked").toBool(), false);
}

TEST_F(MainWindowTest, SettingsShowsVersionFilteringAndWhatsNew) {
    EXPECT_EQ(textOf("versionLine"), QStringLiteral(KORVID_VERSION " (" KORVID_BUILD_NUMBER ")"));
    EXPECT_EQ(find("filteringSection")->property("caption").toString(),
              QStringLiteral("Albums with fewer tracks than this are hidden from Home and Library."));
    QObject* slider = find("minTracksSlider");
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->property("from").toDouble(), 1.0);
    EXPECT_EQ(slider->property("to").toDouble(), 10.0);
    EXPECT_EQ(slider->property("value").toDouble(), 3.0);
    filterSettings.setMinTracksPerAlbum(6);
    EXPECT_EQ(textOf("minTracksValue"), QStringLiteral("6"));

    QMetaObject::invokeMethod(find("whatsNewButton"), "clicked");
    ASSERT_TRUE(waitUntil([&] { return find("releaseList") != nullptr; }, std::chrono::seconds(2)));
    QObject* list = find("releaseList");
    EXPECT_EQ(list->property("count").toInt(), 4);
    ASSERT_TRUE(waitUntil([&] { return find("releaseHeader") != nullptr; }, std::chrono::seconds(2)));
    EXPECT_EQ(textOf("releaseHeader"), QStringLiteral("Version 1.2.1"));
    EXPECT_EQ(textOf("kindPill"), QStringLiteral("Fixed"));
}

} // namespace
