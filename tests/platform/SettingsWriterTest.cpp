#include "platform/SettingsWriter.h"

#include "support/RunTask.h"
#include "support/TestHome.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// A session saved every few seconds reaches the file within a bound, not at
// every save; readers see it at once.
TEST(SettingsWriterTest, FrequentChangesReachTheFileWithinABound) {
    TestHome home;
    SettingsWriter& writer = SettingsWriter::instance();
    // Read beside QSettings: making one writes out what is pending.
    const auto fileHas = [&home](const QByteArray& text) {
        QFile file(home.xdg("XDG_CONFIG_HOME") + "/Korvid/Korvid.conf");
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(text);
    };
    writer.writeEventually("session", 1);
    QTest::qWait(int(SettingsWriter::kSettle.count()) * 2);
    EXPECT_FALSE(fileHas("session=1"));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitUntil([&] { return fileHas("session=1"); }, SettingsWriter::kMaxDelay * 2));
    EXPECT_LE(std::chrono::steady_clock::now() - started, SettingsWriter::kMaxDelay + 500ms);
}

// A settings file that cannot be written is told once, not at every change,
// and again only after writing worked in between.
TEST(SettingsWriterTest, AFailedWriteIsToldOnce) {
    TestHome home;
    SettingsWriter& writer = SettingsWriter::instance();
    QSignalSpy told(&writer, &SettingsWriter::writeFailed);
    const QString file = QSettings().fileName();
    // Even root cannot put a file where a folder stands.
    QFile::remove(file);
    ASSERT_TRUE(QDir().mkpath(file));
    writer.writeNow("musicSource", "spotify");
    writer.writeNow("musicSource", "appleMusic");
    writer.writeSoon("albumThumbnailSize", 120);
    writer.flush();
    ASSERT_EQ(told.count(), 1);
    EXPECT_EQ(told.at(0).at(0).toString(),
              "Korvid couldn't save its settings. Changes will be lost when it quits. Check that "
              "there is free space in your home folder.");

    ASSERT_TRUE(QDir(file).removeRecursively());
    writer.writeNow("musicSource", "spotify");
    EXPECT_EQ(told.count(), 1);
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir().mkpath(file));
    writer.writeNow("musicSource", "appleMusic");
    EXPECT_EQ(told.count(), 2);
    QDir(file).removeRecursively();
}

} // namespace
