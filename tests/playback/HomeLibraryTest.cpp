// Home and Library over a real library index, scanned from an ffmpeg-made
// folder, and the Spotify stand-in; Discover's shuffle through the coordinator.
#include "CoordinatorFixture.h"
#include "TestMusicFolder.h"

#include "model/AlbumFilterSettings.h"
#include "musicapp/AppleMusicLibrary.h"
#include "musicapp/LibraryIndex.h"
#include "musicapp/TagReader.h"
#include "musicapp/TrackIdentity.h"
#include "playback/AlbumRecordCache.h"
#include "playback/HomeViewModel.h"
#include "playback/LibraryViewModel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

using namespace std::chrono_literals;

struct LocalAlbum {
    QString title, artist, genre;
    int tracks;
    bool cover;
};
const QList<LocalAlbum> kLocal{
    {"Lemonade", "Beyoncé", "Pop", 2, true},
    {"Ágætis byrjun", "Sigur Rós", "Post-Rock", 2, true},
    {"Four Songs", "The Quartet", "Rock", 4, true},
    {"Lullabies", "Bare Artist", "Kids", 1, false},
};

bool makeLocalSong(const QString& root, const LocalAlbum& album, int track, const QString& genre) {
    return makeSong(root, {QStringLiteral("%1/%2.flac").arg(album.title).arg(track),
                           {"-c:a", "flac"},
                           {{"title", QStringLiteral("Song %1").arg(track)},
                            {"album", album.title},
                            {"album_artist", album.artist},
                            {"track", QString::number(track)},
                            {"genre", genre}},
                           album.cover});
}

bool makeLocalFolder(const QString& root) {
    for (const LocalAlbum& album : kLocal) {
        for (int track = 1; track <= album.tracks; ++track) {
            if (!makeLocalSong(root, album, track, album.genre))
                return false;
        }
    }
    return true;
}

struct Saved {
    std::string id, name, artist;
    int tracks;
    bool image;
    std::string addedAt;
};
const std::vector<Saved> kSaved{
    {"blue", "Blue Lines", "Massive Attack", 9, true, "2026-09-01T10:00:00Z"},
    {"bare", "Imageless", "Nobody", 10, false, "2026-09-02T10:00:00Z"},
    {"ep", "Saved EP", "Small Band", 4, true, "2026-09-03T10:00:00Z"},
};

std::string savedPage(const std::vector<Saved>& albums) {
    std::string items;
    for (const Saved& a : albums) {
        items += items.empty() ? "" : ",";
        items += R"({"added_at":")" + a.addedAt + R"(","album":{"id":")" + a.id + R"(","name":")" +
                 a.name + R"(","uri":"spotify:album:)" + a.id + R"(","total_tracks":)" +
                 std::to_string(a.tracks) + R"(,"images":[)" +
                 (a.image ? R"({"url":"https://i.example/)" + a.id + R"("})" : "") +
                 R"(],"artists":[{"id":"x","name":")" + a.artist + R"("}]}})";
    }
    return R"({"items":[)" + items + R"(],"next":null})";
}

// A Spotify album as the history keeps it once played.
UnifiedAlbum playedAlbum(const QString& id, const QStringList& genres = {}, qint64 tracks = 10,
                         bool cover = true) {
    UnifiedAlbum album;
    album.id = "spotify-" + id;
    album.title = "History " + id;
    album.artistNames = "Artist " + id;
    album.rawGenres = genres;
    album.trackCount = tracks;
    album.artwork =
        AlbumArtwork::remote(cover ? std::optional(QUrl("https://i.example/" + id)) : std::nullopt);
    album.playback = UnifiedAlbum::Playback::spotify("spotify:album:" + id);
    return album;
}

QStringList titlesOf(const QList<DisplayAlbum>& albums) {
    QStringList titles;
    for (const DisplayAlbum& album : albums)
        titles << album.album.title;
    return titles;
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

QStringList idsOf(const QList<DisplayAlbum>& albums) {
    QStringList ids;
    for (const DisplayAlbum& album : albums)
        ids << album.id();
    return ids;
}

} // namespace

class HomeLibraryTest : public CoordinatorFixture {
protected:
    void SetUp() override {
        // The folder is made once per process; each test scans its own copy.
        static QTemporaryDir made;
        static const bool madeOK = makeLocalFolder(made.path());
        ASSERT_TRUE(madeOK);
        ASSERT_TRUE(copyTree(made.path(), music()));
        filter.setMinTracksPerAlbum(1);
        standIn.onJson("GET", "/v1/me/albums", 200, savedPage(kSaved));
        ASSERT_NO_FATAL_FAILURE(open());
    }

    // A library and both models, as at a start of the program.
    void open() {
        homeModel.reset();
        libraryModel.reset();
        appleMusic = std::make_unique<AppleMusicLibrary>(music(), home.filePath("index.sqlite"),
                                                         makeTagLibReader(), &clock);
        ASSERT_TRUE(runTask(appleMusic->requestAuthorizationIfNeeded(), 30s));
        ASSERT_TRUE(waitUntil([&] { return !appleMusic->isScanning(); }, 60s));
        homeModel = std::make_unique<HomeViewModel>(*appleMusic, sources, filter, history, records);
        libraryModel =
            std::make_unique<LibraryViewModel>(*api, *appleMusic, sources, filter, records);
    }

    QString music() const { return home.filePath("music"); }

    void played(const UnifiedAlbum& album, std::chrono::hours ago) {
        const QDateTime now = clock.now();
        clock.setNow(now - ago);
        history.recordPlay(album);
        clock.setNow(now);
    }

    std::optional<DisplayAlbum> local(const QString& title) const {
        for (const DisplayAlbum& album : homeModel->albums()) {
            if (album.album.title == title)
                return album;
        }
        return std::nullopt;
    }

    void loadBoth() {
        runTask(homeModel->load());
        runTask(libraryModel->load());
    }

    AlbumFilterSettings filter;
    std::shared_ptr<AlbumRecordCache> records = std::make_shared<AlbumRecordCache>();
    std::unique_ptr<AppleMusicLibrary> appleMusic;
    std::unique_ptr<HomeViewModel> homeModel;
    std::unique_ptr<LibraryViewModel> libraryModel;
};

TEST_F(HomeLibraryTest, HomeWithAnEmptyHistoryAndWithOneSourceOnly) {
    sources.setCurrent(MusicSource::spotify);
    runTask(homeModel->load());
    EXPECT_TRUE(homeModel->albums().isEmpty());
    EXPECT_TRUE(homeModel->recentlyPlayed().isEmpty());
    EXPECT_TRUE(homeModel->discoverAlbums().isEmpty());
    EXPECT_FALSE(homeModel->isLoading());
    EXPECT_FALSE(homeModel->errorMessage());

    // Local music only: Home lists the local albums, and Recently Played
    // still holds the Spotify albums played, interleaved by date.
    played(playedAlbum("old"), 48h);
    played(playedAlbum("new"), 1h);
    sources.setCurrent(MusicSource::appleMusic);
    runTask(homeModel->load());
    EXPECT_EQ(homeModel->albums().size(), kLocal.size());
    EXPECT_TRUE(idsOf(homeModel->albums()).filter("spotify-").isEmpty());
    const QStringList recent = idsOf(homeModel->recentlyPlayed());
    EXPECT_EQ(recent.size(), kLocal.size() + 2);
    EXPECT_EQ(recent.mid(kLocal.size()), QStringList({"spotify-new", "spotify-old"}));
    EXPECT_EQ(homeModel->recentlyPlayedModel()->count(), recent.size());
}

TEST_F(HomeLibraryTest, AKorvidPlayYesterdayBeatsAMusicAppPlayAYearAgo) {
    {
        appleMusic.reset();
        LibraryIndex index(home.filePath("index.sqlite"));
        ASSERT_TRUE(index.recordPlay(TrackIdentity::trackPersistentID("Four Songs/2.flac"),
                                     clock.now().addDays(-365).toMSecsSinceEpoch()));
    }
    ASSERT_NO_FATAL_FAILURE(open());
    sources.setCurrent(MusicSource::both);
    played(playedAlbum("week", {}, 10), 24h * 7);
    runTask(homeModel->load());
    const auto order = [&] {
        const QStringList titles = titlesOf(homeModel->recentlyPlayed());
        return titles.indexOf("Four Songs") < titles.indexOf("History week");
    };
    EXPECT_FALSE(order());

    const std::optional<DisplayAlbum> four = local("Four Songs");
    ASSERT_TRUE(four);
    QSignalSpy recentChanged(homeModel.get(), &HomeViewModel::recentlyPlayedChanged);
    QSignalSpy reset(homeModel->recentlyPlayedModel(), &QAbstractItemModel::modelReset);
    played(four->album, 24h);
    // No new load: the recorded play shows at once.
    EXPECT_TRUE(order());
    EXPECT_EQ(recentChanged.size(), 1);
    EXPECT_EQ(reset.size(), 0);
    const QList<DisplayAlbum> merged = homeModel->mergedRecentAlbums();
    ASSERT_EQ(titlesOf(merged).count("Four Songs"), 1);
    EXPECT_EQ(merged[titlesOf(merged).indexOf("Four Songs")].album.sortDate,
              clock.now().addDays(-1));
    EXPECT_EQ(merged[titlesOf(merged).indexOf("Four Songs")].genre.id, "rock");
}

TEST_F(HomeLibraryTest, RecentlyPlayedKeepsTwelveAndDiscoverTwentyDistinct) {
    sources.setCurrent(MusicSource::spotify);
    for (int i = 0; i < 25; ++i)
        played(playedAlbum(QString::number(i), {"Rock"}), std::chrono::hours(100 - i));
    runTask(homeModel->load());
    ASSERT_EQ(homeModel->albums().size(), 25);
    const QStringList recent = idsOf(homeModel->recentlyPlayed());
    ASSERT_EQ(recent.size(), 12);
    EXPECT_EQ(recent.first(), "spotify-24");
    EXPECT_EQ(recent.last(), "spotify-13");
    EXPECT_EQ(homeModel->mergedRecentAlbums().size(), 25);

    // Each choice of the chip draws again, even of the same genre.
    const Genre rock = *Genre::withID("rock");
    QSet<QStringList> selections;
    for (int draw = 0; draw < 4; ++draw) {
        homeModel->setSelectedGenre(rock);
        const QStringList ids = idsOf(homeModel->discoverAlbums());
        EXPECT_EQ(ids.size(), 20);
        EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), 20);
        EXPECT_EQ(idsOf(homeModel->discoverModel()->albums()), ids);
        selections.insert(ids);
    }
    EXPECT_GT(selections.size(), 1);
}

TEST_F(HomeLibraryTest, ChosenGenresAreRememberedPerModel) {
    sources.setCurrent(MusicSource::both);
    loadBoth();
    const Genre rock = *Genre::withID("rock"), pop = *Genre::withID("pop");
    for (const Genre& genre : {rock, pop, rock, Genre::all()})
        homeModel->setSelectedGenre(genre);
    EXPECT_EQ(homeModel->genreRecency(), QStringList({"rock", "pop"}));
    EXPECT_TRUE(libraryModel->genreRecency().isEmpty());
    for (const Genre& genre : {pop, rock, pop, Genre::all()})
        libraryModel->setSelectedGenre(genre);
    EXPECT_EQ(libraryModel->genreRecency(), QStringList({"pop", "rock"}));
    // The recent genre leads the chips after All.
    EXPECT_EQ(libraryModel->genreChips().value(1).toMap().value("id"), "pop");
    EXPECT_EQ(homeModel->genreChips().value(1).toMap().value("id"), "rock");
}

TEST_F(HomeLibraryTest, TheMinimumTrackCountHidesAFourTrackEPFromEveryList) {
    sources.setCurrent(MusicSource::both);
    // Without a cover too: Home shows such albums, unlike Library.
    played(playedAlbum("ep", {}, 4, false), 2h);
    for (const qint64 minimum : {4, 5}) {
        SCOPED_TRACE(minimum);
        filter.setMinTracksPerAlbum(minimum);
        loadBoth();
        const bool shown = minimum == 4;
        const QStringList home = titlesOf(homeModel->albums());
        const QStringList recent = titlesOf(homeModel->recentlyPlayed());
        const QStringList library = titlesOf(libraryModel->albums());
        EXPECT_EQ(home.contains("Four Songs"), shown);
        EXPECT_EQ(home.contains("History ep"), shown);
        EXPECT_EQ(recent.contains("Four Songs"), shown);
        EXPECT_EQ(recent.contains("History ep"), shown);
        EXPECT_EQ(library.contains("Four Songs"), shown);
        EXPECT_EQ(library.contains("Saved EP"), shown);
        EXPECT_EQ(library.contains("Blue Lines"), true);
        EXPECT_EQ(home.contains("Lemonade"), false);
    }
}

TEST_F(HomeLibraryTest, ASignedOutSpotifyFailsTheWholeLibraryLoadUnderBoth) {
    sources.setCurrent(MusicSource::both);
    auth->setTokens(std::nullopt);
    runTask(libraryModel->load());
    EXPECT_EQ(libraryModel->errorMessage(), "You're not connected to Spotify yet.");
    // Local albums are not loaded either.
    EXPECT_TRUE(libraryModel->albums().isEmpty());
    EXPECT_FALSE(libraryModel->isLoading());

    signIn();
    runTask(libraryModel->load());
    EXPECT_FALSE(libraryModel->errorMessage());
    const QStringList before = idsOf(libraryModel->albums());
    ASSERT_EQ(before.size(), 5);
    // A reload that finds the same albums, then one that fails, change no row.
    AlbumListModel* grid = libraryModel->filteredModel();
    QSignalSpy inserted(grid, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(grid, &QAbstractItemModel::rowsRemoved);
    QSignalSpy moved(grid, &QAbstractItemModel::rowsMoved);
    QSignalSpy changed(grid, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(grid, &QAbstractItemModel::modelReset);
    runTask(libraryModel->load());
    auth->setTokens(std::nullopt);
    runTask(libraryModel->load());
    EXPECT_EQ(libraryModel->errorMessageText(), "You're not connected to Spotify yet.");
    EXPECT_EQ(idsOf(libraryModel->albums()), before);
    EXPECT_EQ(inserted.size() + removed.size() + moved.size() + changed.size() + reset.size(), 0);

    // Local music alone needs no Spotify.
    sources.setCurrent(MusicSource::appleMusic);
    runTask(libraryModel->load());
    EXPECT_FALSE(libraryModel->errorMessage());
    EXPECT_EQ(libraryModel->albums().size(), 3);
}

TEST_F(HomeLibraryTest, GenreOfAnAlbumFallsBackToTheMostRecent) {
    sources.setCurrent(MusicSource::spotify);
    runTask(homeModel->load());
    EXPECT_FALSE(homeModel->genre(QStringLiteral("spotify-x")));
    EXPECT_FALSE(homeModel->genre(std::nullopt));

    sources.setCurrent(MusicSource::appleMusic);
    // Played after the local albums were added.
    played(playedAlbum("jazz", {"Jazz"}), -1h);
    runTask(homeModel->load());
    const QString lemonade = local("Lemonade")->id();
    struct Row {
        std::optional<QString> id;
        const char* genre;
    };
    const Row rows[] = {
        {lemonade, "pop"},
        {QStringLiteral("apple-0"), "soul"}, // unknown: the most recent album's
        {std::nullopt, "soul"},
        // A played Spotify album is recent, but not one of Home's own albums.
        {QStringLiteral("spotify-jazz"), "soul"},
    };
    for (const Row& row : rows) {
        const auto genre = homeModel->genre(row.id);
        ASSERT_TRUE(genre);
        EXPECT_EQ(genre->id, row.genre);
    }
}

TEST_F(HomeLibraryTest, RandomAlbumsOfAGenreWithTooFewCandidatesAndNoKidsUnderAll) {
    sources.setCurrent(MusicSource::spotify);
    for (const char* id : {"r1", "r2", "r3", "p1"})
        played(playedAlbum(id, {id[0] == 'r' ? "Rock" : "Pop"}), 2h);
    for (const char* id : {"k1", "k2", "k3"})
        played(playedAlbum(id, {"Children's Music"}), 2h);
    runTask(homeModel->load());
    EXPECT_EQ(homeModel->albums().size(), 7);
    EXPECT_TRUE(idsOf(homeModel->discoverAlbums()).filter("spotify-k").isEmpty());
    homeModel->selectGenre("kids");
    EXPECT_EQ(homeModel->discoverAlbums().size(), 3);
    EXPECT_EQ(homeModel->selectedGenreID(), "kids");
    const Genre rock = *Genre::withID("rock");
    struct Row {
        int count;
        QSet<QString> excluding;
        int expected;
    };
    const Row rows[] = {{10, {}, 3}, {10, {"spotify-r2"}, 2}, {2, {}, 2}, {0, {}, 0}};
    for (const Row& row : rows) {
        const QStringList ids = idsOf(homeModel->randomAlbums(rock, row.count, row.excluding));
        EXPECT_EQ(ids.size(), row.expected);
        EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), row.expected);
        EXPECT_TRUE(ids.filter("spotify-p").isEmpty());
        for (const QString& excluded : row.excluding)
            EXPECT_FALSE(ids.contains(excluded));
    }
}

TEST_F(HomeLibraryTest, SearchNeedsEveryWordWhateverTheCaseAndAccents) {
    sources.setCurrent(MusicSource::both);
    runTask(libraryModel->load());
    struct Row {
        const char* typed;
        const char* genre;
        QStringList titles;
    };
    const Row rows[] = {
        {"", "all", {"Four Songs", "Ágætis byrjun", "Lemonade", "Saved EP", "Blue Lines"}},
        {"beyonce", "all", {"Lemonade"}},
        {"sigur ros", "all", {"Ágætis byrjun"}},
        {"  SIGUR   byrjun ", "all", {"Ágætis byrjun"}},
        {"massive lines", "all", {"Blue Lines"}},
        {"beyonce sigur", "all", {}},
        {"zzz", "all", {}},
        {"LEMON", "pop", {"Lemonade"}},
        {"sigur", "pop", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        libraryModel->selectGenre(row.genre);
        libraryModel->setSearchText(row.typed);
        EXPECT_EQ(sorted(titlesOf(libraryModel->filteredAlbums())), sorted(row.titles));
        EXPECT_EQ(titlesOf(libraryModel->filteredModel()->albums()),
                  titlesOf(libraryModel->filteredAlbums()));
    }
}

TEST_F(HomeLibraryTest, ARescanRebuildsOnlyTheAlbumsWhoseSongsChanged) {
    sources.setCurrent(MusicSource::appleMusic);
    runTask(homeModel->load());
    EXPECT_EQ(local("Four Songs")->genre.id, "rock");
    for (const int track : {1, 2, 3}) {
        ASSERT_TRUE(makeLocalSong(music(), kLocal[2], track, "Jazz"));
        touchLater(QStringLiteral("%1/Four Songs/%2.flac").arg(music()).arg(track), 5);
    }
    appleMusic->rescan();
    ASSERT_TRUE(waitUntil([&] { return !appleMusic->isScanning(); }, 30s));
    ASSERT_EQ(appleMusic->lastScanReport().updated, 3);

    QSignalSpy changed(homeModel->recentlyPlayedModel(), &QAbstractItemModel::dataChanged);
    runTask(homeModel->load());
    EXPECT_EQ(local("Four Songs")->genre.id, "soul");
    ASSERT_EQ(changed.size(), 1);
    const int row = changed[0][0].toModelIndex().row();
    EXPECT_EQ(changed[0][1].toModelIndex().row(), row);
    EXPECT_EQ(homeModel->recentlyPlayedModel()->album(row).album.title, "Four Songs");
    EXPECT_EQ(records->localCount(), kLocal.size());
}

TEST_F(HomeLibraryTest, ShuffleDiscoverPlaysTheFirstAlbumOfANewSelectionAndNothingWithoutOne) {
    sources.setCurrent(MusicSource::spotify);
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "rock"));
    runTask(coordinator().refreshDevices());
    runTask(homeModel->load());
    runTask(homeModel->shuffleDiscover(coordinator()));
    EXPECT_EQ(requestCount("PUT", "/v1/me/player/play"), 0u);

    played(playedAlbum("rock", {"Rock"}), 1h);
    runTask(homeModel->load());
    homeModel->selectGenre("rock");
    runTask(homeModel->shuffleDiscover(coordinator()));
    const auto plays = standIn.requestsTo("/v1/me/player/play");
    ASSERT_EQ(plays.size(), 1u);
    const QJsonObject body =
        QJsonDocument::fromJson(QByteArray::fromStdString(plays[0].body)).object();
    EXPECT_EQ(body.value("context_uri").toString(), "spotify:album:rock");
    EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "spotify-rock");
}
