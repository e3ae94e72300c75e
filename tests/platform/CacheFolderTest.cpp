#include "platform/CacheFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Files unused past the age go, then the least recently used beyond the size;
// a file read again (touched) counts as new.
TEST(CacheFolderTest, KeepsTheRecentlyUsedWithinSizeAndAge) {
    struct File {
        const char* name;
        qint64 bytes;
        int daysUnused;
    };
    struct Case {
        const char* what;
        CacheBounds bounds;
        QList<File> files;
        const char* touched; // read again just now, or null
        QStringList kept;
    };
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Case cases[] = {
        {"all fit", {1000, 30 * 24h}, {{"a", 100, 1}, {"b", 100, 2}}, nullptr, {"a", "b"}},
        {"too old", {1000, 30 * 24h}, {{"a", 100, 1}, {"b", 100, 31}}, nullptr, {"a"}},
        {"too many bytes: oldest out",
         {250, 30 * 24h},
         {{"a", 100, 1}, {"b", 100, 2}, {"c", 100, 3}},
         nullptr,
         {"a", "b"}},
        {"a big file makes room for smaller older ones",
         {250, 30 * 24h},
         {{"a", 100, 1}, {"big", 200, 2}, {"c", 100, 3}},
         nullptr,
         {"a", "c"}},
        {"a touched file is kept first",
         {250, 30 * 24h},
         {{"a", 100, 1}, {"b", 100, 2}, {"c", 100, 40}},
         "c",
         {"a", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        for (const File& f : c.files) {
            QFile file(folder.filePath(f.name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(f.bytes, 'x'));
            file.flush(); // or closing it would stamp it as written now
            file.setFileTime(now.addDays(-f.daysUnused), QFileDevice::FileModificationTime);
        }
        if (c.touched) {
            touchCacheFile(folder.filePath(c.touched));
        }
        trimCacheFolder(folder.path(), c.bounds, now.addSecs(1));
        QStringList kept = QDir(folder.path()).entryList(QDir::Files, QDir::Name);
        EXPECT_EQ(kept, c.kept);
    }
}

} // namespace
