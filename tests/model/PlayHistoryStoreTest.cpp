#include "model/PlayHistoryStore.h"
#include "MemorySynchronizedStore.h"
#include "support/FakeClock.h"
#include "support/TestHome.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

UnifiedAlbum spotifyAlbum(int n, std::optional<QUrl> cover = std::nullopt) {
    UnifiedAlbum album;
    album.id = QStringLiteral("spotify-album%1").arg(n);
    album.title = QStringLiteral("Album %1").arg(n);
    album.artistNames = QStringLiteral("Artist %1, Guest").arg(n);
    album.rawGenres = {QStringLiteral("indie rock"), QStringLiteral("shoegaze")};
    album.artwork = AlbumArtwork::remote(std::move(cover));
    album.trackCount = 10 + n;
    album.playback =
        UnifiedAlbum::Playback::spotify(QStringLiteral("spotify:album:album%1").arg(n));
    return album;
}

UnifiedAlbum localAlbum(int n) {
    UnifiedAlbum album;
    album.id = QStringLiteral("apple-%1").arg(n);
    album.title = QStringLiteral("Local %1").arg(n);
    album.playback = UnifiedAlbum::Playback::appleMusic({});
    return album;
}

// A stored entry where only the id, the time and the track count matter.
PlayHistoryStore::Entry entry(const QString& id, const QDateTime& playedAt, qint64 tracks = 1) {
    return {id, "t", "a", std::nullopt, {}, "u", playedAt, tracks};
}

QByteArray defaultsBytes(const char* key) {
    return QSettings().value(QLatin1String(key)).toByteArray();
}

class PlayHistoryStoreTest : public ::testing::Test {
protected:
    TestHome home;
    FakeClock clock;
    MemorySynchronizedStore synced;
};

TEST_F(PlayHistoryStoreTest, AReplayMovesTheAlbumToTheFrontAndBothCopiesKeepTheStoredShape) {
    clock.setNow(QDateTime(QDate(2001, 1, 2), QTime(0, 0, 1, 250), QTimeZone::utc()));
    PlayHistoryStore history(&synced, &clock);
    QSignalSpy changes(&history, &PlayHistoryStore::entriesChanged);
    history.recordPlay(spotifyAlbum(1));
    clock.advance(60s);
    history.recordPlay(spotifyAlbum(2, QUrl("https://i.scdn.co/image/ab67616d0000b273")));
    clock.advance(60s);
    history.recordPlay(spotifyAlbum(1));
    EXPECT_EQ(changes.size(), 3);

    ASSERT_EQ(history.entries().size(), 2);
    EXPECT_EQ(history.entries()[0].id, "spotify-album1");
    EXPECT_EQ(history.entries()[0].playedAt, clock.now());
    EXPECT_EQ(history.entries()[1].id, "spotify-album2");

    const QList<UnifiedAlbum> recent = history.recentAlbums();
    ASSERT_EQ(recent.size(), 2);
    EXPECT_EQ(recent[0].id, "spotify-album1");
    EXPECT_EQ(recent[0].title, "Album 1");
    EXPECT_EQ(recent[0].artistNames, "Artist 1, Guest");
    EXPECT_EQ(recent[0].rawGenres, QStringList({"indie rock", "shoegaze"}));
    EXPECT_EQ(recent[0].trackCount, 11);
    EXPECT_EQ(recent[0].sortDate, clock.now());
    ASSERT_TRUE(recent[0].playback.isSpotify());
    EXPECT_EQ(*recent[0].playback.spotifyURI(), "spotify:album:album1");
    EXPECT_FALSE(recent[0].artwork.url());
    EXPECT_EQ(recent[1].artwork.url(), QUrl("https://i.scdn.co/image/ab67616d0000b273"));

    // Both copies were written, and the synchronised one asked to sync.
    EXPECT_EQ(synced.values.value("spotifyPlayHistory"), defaultsBytes("spotifyPlayHistory"));
    EXPECT_GE(synced.synchronizations, 4);
    // Local plays are elsewhere.
    EXPECT_FALSE(QSettings().contains("appleMusicPlayHistory"));

    const QJsonArray array = QJsonDocument::fromJson(defaultsBytes("spotifyPlayHistory")).array();
    ASSERT_EQ(array.size(), 2);
    const QJsonObject withoutCover = array[0].toObject();
    EXPECT_EQ(array[1].toObject().value("coverURLString").toString(),
              "https://i.scdn.co/image/ab67616d0000b273");
    EXPECT_EQ(QStringList(withoutCover.keys()),
              QStringList({"artistNames", "id", "playedAt", "rawGenres", "spotifyURI", "title",
                           "trackCount"}));
    // A day, two minutes and 1.25 s after the reference date, as a JSON number.
    EXPECT_TRUE(withoutCover.value("playedAt").isDouble());
    EXPECT_DOUBLE_EQ(withoutCover.value("playedAt").toDouble(), 86521.25);
    EXPECT_EQ(withoutCover.value("trackCount").toInteger(), 11);
    const auto decoded = PlayHistoryStore::decodeEntries(defaultsBytes("spotifyPlayHistory"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, history.entries());
}

TEST_F(PlayHistoryStoreTest, MalformedHistoriesDoNotDecode) {
    const QJsonObject good{{"id", "a"},          {"title", "t"},
                           {"artistNames", "x"}, {"rawGenres", QJsonArray{"Pop"}},
                           {"spotifyURI", "u"},  {"playedAt", -10.5},
                           {"trackCount", 4}};
    // The history of one entry that is `good` with `key` set to `value` (or removed).
    const auto decoded = [&](const char* key, const QJsonValue& value) {
        QJsonObject changed = good;
        if (value.isUndefined())
            changed.remove(key);
        else
            changed.insert(key, value);
        return PlayHistoryStore::decodeEntries(QJsonDocument(QJsonArray{changed}).toJson());
    };
    const struct {
        const char* key;
        QJsonValue value;
        bool readable;
    } rows[] = {
        {"playedAt", "yesterday", false},
        {"playedAt", 1e300, false},
        {"trackCount", 1.5, false},
        {"rawGenres", QJsonArray{3}, false},
        {"id", QJsonValue::Undefined, false},
        {"coverURLString", 5, false},
        {"coverURLString", QJsonValue::Null, true},
        {"extra", true, true},
    };
    for (const auto& row : rows)
        EXPECT_EQ(decoded(row.key, row.value).has_value(), row.readable) << row.key;
    for (const char* document : {"", "{}", "[1]"})
        EXPECT_FALSE(PlayHistoryStore::decodeEntries(document)) << document;
    const auto fine = decoded("coverURLString", QJsonValue::Null);
    ASSERT_TRUE(fine);
    EXPECT_FALSE(fine->at(0).coverURLString);
    EXPECT_EQ(fine->at(0).playedAt,
              QDateTime(QDate(2000, 12, 31), QTime(23, 59, 49, 500), QTimeZone::utc()));

    for (const char* document : {"[]", "{\"apple-1\":\"x\"}", "{\"apple-1\":null}"})
        EXPECT_FALSE(PlayHistoryStore::decodePlayDates(document)) << document;
}

// A damaged entry (here a track count past 2^53, which a JSON number cannot
// hold exactly) costs only itself: the other entries load and the next play
// keeps them. Korvid itself never writes such a count.
TEST_F(PlayHistoryStoreTest, OneBadEntryCostsOnlyItselfAndNoneIsWritten) {
    QJsonArray stored = QJsonDocument::fromJson(
                            PlayHistoryStore::encodeEntries({entry("spotify-a", clock.now(), 3),
                                                             entry("spotify-b", clock.now(), 4)}))
                            .array();
    QJsonObject bad = stored[0].toObject();
    bad.insert("id", "spotify-bad");
    bad.insert("trackCount", 18014398509481984.0); // 2^54
    stored.insert(1, bad);
    QSettings().setValue("spotifyPlayHistory", QJsonDocument(stored).toJson());

    PlayHistoryStore history(nullptr, &clock);
    ASSERT_EQ(history.entries().size(), 2);
    EXPECT_EQ(history.entries()[1].id, "spotify-b");

    UnifiedAlbum huge = spotifyAlbum(1);
    huge.trackCount = qint64(1) << 60;
    history.recordPlay(huge);
    const auto reread = PlayHistoryStore::decodeEntries(defaultsBytes("spotifyPlayHistory"));
    ASSERT_TRUE(reread);
    ASSERT_EQ(reread->size(), 3);
    EXPECT_EQ(reread->at(0).trackCount, qint64(1) << 53);
    EXPECT_EQ(reread->at(2).id, "spotify-b");
}

TEST_F(PlayHistoryStoreTest, LoadingPrefersTheSynchronisedCopy) {
    const auto bytesOf = [this](QList<int> albums) {
        QList<PlayHistoryStore::Entry> entries;
        for (int n : albums)
            entries.append(entry(QStringLiteral("spotify-album%1").arg(n), clock.now()));
        return PlayHistoryStore::encodeEntries(entries);
    };
    const auto idsOf = [](const PlayHistoryStore& history) {
        QStringList ids;
        for (const auto& entry : history.entries())
            ids << entry.id;
        return ids;
    };
    struct Row {
        const char* name;
        std::optional<QByteArray> synchronised;
        std::optional<QByteArray> local;
        QStringList expected;
        std::optional<QByteArray> localAfter;
    };
    const Row rows[] = {
        {"only local", std::nullopt, bytesOf({1}), {"spotify-album1"}, bytesOf({1})},
        {"both: synchronised wins and is copied",
         bytesOf({2, 3}),
         bytesOf({1}),
         {"spotify-album2", "spotify-album3"},
         bytesOf({2, 3})},
        {"unreadable synchronised copy",
         QByteArray("[{"),
         bytesOf({1}),
         {"spotify-album1"},
         bytesOf({1})},
        {"nothing readable", QByteArray("null"), QByteArray("garbage"), {}, QByteArray("garbage")},
        {"nothing at all", std::nullopt, std::nullopt, {}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TestHome fresh;
        MemorySynchronizedStore store;
        if (row.synchronised)
            store.values.insert("spotifyPlayHistory", *row.synchronised);
        if (row.local)
            QSettings().setValue("spotifyPlayHistory", *row.local);
        PlayHistoryStore history(&store, &clock);
        EXPECT_EQ(idsOf(history), row.expected);
        const QVariant local = QSettings().value("spotifyPlayHistory");
        EXPECT_EQ(local.isValid() ? std::optional<QByteArray>(local.toByteArray()) : std::nullopt,
                  row.localAfter);
    }
}

TEST_F(PlayHistoryStoreTest, LocalPlaysKeepOnlyADatePerAlbumAndTheNewest250) {
    {
        QHash<QString, QDateTime> dates;
        for (int n = 1; n <= 250; ++n)
            dates.insert(QStringLiteral("apple-%1").arg(n), clock.now().addSecs(n));
        QSettings().setValue("appleMusicPlayHistory", PlayHistoryStore::encodePlayDates(dates));
        clock.advance(1000s);
    }
    PlayHistoryStore history(&synced, &clock);
    QSignalSpy entryChanges(&history, &PlayHistoryStore::entriesChanged);
    ASSERT_EQ(history.appleMusicPlayDates().size(), 250);
    history.recordPlay(localAlbum(251));
    clock.advance(1s);
    history.recordPlay(localAlbum(7)); // played again: now the newest
    EXPECT_EQ(entryChanges.size(), 0);
    EXPECT_TRUE(history.entries().isEmpty());
    EXPECT_TRUE(synced.values.isEmpty());

    ASSERT_EQ(history.appleMusicPlayDates().size(), 250);
    EXPECT_FALSE(history.appleMusicPlayDates().contains("apple-1"));
    EXPECT_TRUE(history.appleMusicPlayDates().contains("apple-2"));
    EXPECT_TRUE(history.appleMusicPlayDates().contains("apple-251"));
    EXPECT_EQ(history.appleMusicPlayDates().value("apple-7"), clock.now());

    home.restartSettings();
    PlayHistoryStore reloaded(&synced, &clock);
    EXPECT_EQ(reloaded.appleMusicPlayDates(), history.appleMusicPlayDates());
    const QJsonObject stored =
        QJsonDocument::fromJson(defaultsBytes("appleMusicPlayHistory")).object();
    EXPECT_EQ(stored.size(), 250);
    EXPECT_TRUE(stored.value("apple-7").isDouble());
}

} // namespace
