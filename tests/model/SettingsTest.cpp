#include "model/AlbumDisplayStyle.h"
#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "platform/SettingsWriter.h"
#include "support/RunTask.h"
#include "support/TestHome.h"

#include <QFile>

#include <QSettings>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    QVariant stored(const char* key) { return QSettings().value(key); }

    TestHome home;
};

// Every assignment is written, an equal one too; only a change is announced.
TEST_F(SettingsTest, AssignmentsAreWrittenAlwaysAndAnnouncedOnChange) {
    {
        // A first start: nothing stored yet.
        MusicSourceSettings sources;
        AlbumFilterSettings filter;
        ASSERT_FALSE(stored("musicSource").isValid());
        EXPECT_EQ(sources.current(), MusicSource::spotify);
        EXPECT_EQ(filter.minTracksPerAlbum(), 3);
        QSignalSpy sourceChanged(&sources, &MusicSourceSettings::currentChanged);
        QSignalSpy countChanged(&filter, &AlbumFilterSettings::minTracksPerAlbumChanged);
        sources.setCurrent(MusicSource::spotify);
        filter.setMinTracksPerAlbum(3);
        EXPECT_EQ(stored("musicSource").toString(), QStringLiteral("spotify"));
        EXPECT_EQ(stored("minTracksPerAlbum").toLongLong(), 3);
        EXPECT_EQ(sourceChanged.count() + countChanged.count(), 0);
        sources.setCurrent(MusicSource::both);
        sources.setCurrent(MusicSource::both);
        filter.setMinTracksPerAlbum(8);
        EXPECT_EQ(sourceChanged.count(), 1);
        EXPECT_EQ(countChanged.count(), 1);
    }
    home.restartSettings();
    EXPECT_EQ(MusicSourceSettings().current(), MusicSource::both);
    EXPECT_EQ(AlbumFilterSettings().minTracksPerAlbum(), 8);
}

// Dragging the thumbnail slider: every step is read back at once, and the
// file is written once the steps settle, not at each one.
TEST_F(SettingsTest, ASliderIsWrittenOnceItSettles) {
    // Read beside QSettings: making one writes out what is pending.
    const QString path = QSettings().fileName();
    const auto fileHas = [&path](const QByteArray& text) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(text);
    };
    for (int size = 100; size <= 140; ++size) {
        AlbumDisplayStyles::storeThumbnailSize(size);
    }
    EXPECT_FALSE(fileHas("albumThumbnailSize")) << "written while dragging";
    EXPECT_EQ(AlbumDisplayStyles::storedThumbnailSize(), 140);
    EXPECT_TRUE(
        waitUntil([&] { return fileHas("albumThumbnailSize=140"); }, SettingsWriter::kSettle * 3));
    // A rare change goes to the file at once.
    AlbumDisplayStyles::storeStyle(AlbumDisplayStyle::coverWithDetails);
    EXPECT_TRUE(fileHas("albumDisplayStyle=coverWithDetails"));
}

} // namespace
