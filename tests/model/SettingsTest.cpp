#include "model/AlbumDisplayStyle.h"
#include "model/AlbumFilterSettings.h"
#include "model/AppVersion.h"
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
    // Writes a value and reads it back as the next start does.
    void store(const char* key, const QVariant& value) {
        QSettings().setValue(key, value);
        home.restartSettings();
    }
    QVariant stored(const char* key) { return QSettings().value(key); }

    TestHome home;
};

TEST_F(SettingsTest, FirstStartUsesDefaults) {
    EXPECT_EQ(MusicSourceSettings().current(), MusicSource::spotify);
    EXPECT_EQ(AlbumFilterSettings().minTracksPerAlbum(), 3);
    EXPECT_EQ(AlbumDisplayStyles::storedStyle(), AlbumDisplayStyle::coverOnly);
    EXPECT_EQ(AlbumDisplayStyles::storedThumbnailSize(), 110.0);
}

struct StoredSource {
    QVariant stored;
    MusicSource expected;
};

class StoredSourceTest : public SettingsTest, public ::testing::WithParamInterface<StoredSource> {};

TEST_P(StoredSourceTest, ReadsOnlyExactRawValues) {
    store("musicSource", GetParam().stored);
    EXPECT_EQ(MusicSourceSettings().current(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredSourceTest,
    ::testing::Values(StoredSource{QStringLiteral("appleMusic"), MusicSource::appleMusic},
                      StoredSource{QStringLiteral("both"), MusicSource::both},
                      StoredSource{QStringLiteral("spotify"), MusicSource::spotify},
                      StoredSource{QStringLiteral("Both"), MusicSource::spotify},
                      StoredSource{QStringLiteral("local"), MusicSource::spotify},
                      StoredSource{QStringLiteral(" both"), MusicSource::spotify},
                      StoredSource{2, MusicSource::spotify}));

TEST_F(SettingsTest, SourceSurvivesRestartAndNotifiesOnlyOnChange) {
    {
        MusicSourceSettings settings;
        QSignalSpy changed(&settings, &MusicSourceSettings::currentChanged);
        settings.setCurrent(MusicSource::both);
        settings.setCurrent(MusicSource::both);
        EXPECT_EQ(changed.count(), 1);
    }
    home.restartSettings();
    EXPECT_EQ(MusicSourceSettings().current(), MusicSource::both);
}

TEST_F(SettingsTest, EqualSourceIsStillWritten) {
    MusicSourceSettings settings; // spotify by default, nothing stored yet
    ASSERT_FALSE(stored("musicSource").isValid());
    settings.setCurrent(MusicSource::spotify);
    EXPECT_EQ(stored("musicSource").toString(), QStringLiteral("spotify"));
}

struct StoredCount {
    QVariant stored;
    qint64 expected;
};

class StoredCountTest : public SettingsTest, public ::testing::WithParamInterface<StoredCount> {};

TEST_P(StoredCountTest, ReadsOnlyIntegers) {
    store("minTracksPerAlbum", GetParam().stored);
    EXPECT_EQ(AlbumFilterSettings().minTracksPerAlbum(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredCountTest,
    ::testing::Values(StoredCount{7, 7}, StoredCount{QStringLiteral("five"), 3},
                      StoredCount{QStringLiteral("4.5"), 3}, StoredCount{QStringLiteral(""), 3},
                      StoredCount{QVariant(true), 3},
                      StoredCount{QVariant(qint64(1) << 40), qint64(1) << 40}));

TEST_F(SettingsTest, MinTracksWrittenOnEveryAssignment) {
    AlbumFilterSettings settings;
    QSignalSpy changed(&settings, &AlbumFilterSettings::minTracksPerAlbumChanged);
    settings.setMinTracksPerAlbum(3);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(stored("minTracksPerAlbum").toLongLong(), 3);
    settings.setMinTracksPerAlbum(8);
    EXPECT_EQ(changed.count(), 1);
    home.restartSettings();
    EXPECT_EQ(AlbumFilterSettings().minTracksPerAlbum(), 8);
}

TEST_F(SettingsTest, DisplayStyleAndThumbnailSizeRoundTrip) {
    store("albumDisplayStyle", QStringLiteral("CoverWithDetails"));
    EXPECT_EQ(AlbumDisplayStyles::storedStyle(), AlbumDisplayStyle::coverOnly);
    AlbumDisplayStyles::storeStyle(AlbumDisplayStyle::coverWithDetails);
    EXPECT_EQ(AlbumDisplayStyles::storedStyle(), AlbumDisplayStyle::coverWithDetails);
    EXPECT_EQ(stored("albumDisplayStyle").toString(), QStringLiteral("coverWithDetails"));

    store("albumThumbnailSize", QStringLiteral("big"));
    EXPECT_EQ(AlbumDisplayStyles::storedThumbnailSize(), 110.0);
    AlbumDisplayStyles::storeThumbnailSize(187.5);
    home.restartSettings();
    EXPECT_EQ(AlbumDisplayStyles::storedThumbnailSize(), 187.5);
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

TEST(AppVersionTest, MissingValuesShowAsQuestionMarks) {
    EXPECT_EQ(AppVersion::displayLine("1.2.1", "23"), QStringLiteral("1.2.1 (23)"));
    EXPECT_EQ(AppVersion::displayLine("1.2.1", nullptr), QStringLiteral("1.2.1 (?)"));
    EXPECT_EQ(AppVersion::displayLine(nullptr, ""), QStringLiteral("? (?)"));
}

} // namespace
