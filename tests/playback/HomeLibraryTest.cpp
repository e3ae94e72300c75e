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

bool makeLocalFolder(const QString& root) {
    for (const LocalAlbum& album : kLocal) {
        for (int track = 1; track <= album.tracks; ++track) {
            if (!makeSong(root, {QStringLiteral("%1/%2.flac").arg(album.title).arg(track),
                                 {"-c:a", "flac"},
                                 {{"title", QStringLiteral("Song %1").arg(track)},
                                  {"album", album.title},
                                  {"album_artist", album.artist},
                                  {"track", QString::number(track)},
                                  {"genre", album.genre}},
                                 album.cover}))
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
UnifiedAlbum playedAlbum(const QString& id, const QStringList& genres = {}) {
    UnifiedAlbum album;
    album.id = "spotify-" + id;
    album.title = "History " + id;
    album.artistNames = "Artist " + id;
    album.rawGenres = genres;
    album.trackCount = 10;
    album.artwork = AlbumArtwork::remote(QUrl("https://i.example/" + id));
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

    AlbumFilterSettings filter;
    std::shared_ptr<AlbumRecordCache> records = std::make_shared<AlbumRecordCache>();
    std::unique_ptr<AppleMusicLibrary> appleMusic;
    std::unique_ptr<HomeViewModel> homeModel;
    std::unique_ptr<LibraryViewModel> libraryModel;
};

TEST_F(HomeLibraryTest, AKorvidPlayYesterdayBeatsAMusicAppPlayAYearAgo) {
    {
        appleMusic.reset();
        LibraryIndex index(home.filePath("index.sqlite"));
        ASSERT_TRUE(index.recordPlay(TrackIdentity::trackPersistentID("Four Songs/2.flac"),
                                     clock.now().addDays(-365).toMSecsSinceEpoch()));
    }
    ASSERT_NO_FATAL_FAILURE(open());
    sources.setCurrent(MusicSource::both);
    played(playedAlbum("week"), 24h * 7);
    runTask(homeModel->load());
    const auto order = [&] {
        const QStringList titles = titlesOf(homeModel->recentlyPlayed());
        return titles.indexOf("Four Songs") < titles.indexOf("History week");
    };
    EXPECT_FALSE(order());

    const qsizetype at = titlesOf(homeModel->albums()).indexOf("Four Songs");
    ASSERT_GE(at, 0);
    const UnifiedAlbum four = homeModel->albums()[at].album;
    QSignalSpy recentChanged(homeModel.get(), &HomeViewModel::recentlyPlayedChanged);
    QSignalSpy reset(homeModel->recentlyPlayedModel(), &QAbstractItemModel::modelReset);
    played(four, 24h);
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

TEST_F(HomeLibraryTest, ShuffleDiscoverPlaysTheFirstAlbumOfANewSelectionAndNothingWithoutOne) {
    sources.setCurrent(MusicSource::spotify);
    standIn.onJson("GET", "/v1/me/player", 200, playerState(true, "rock"));
    runTask(coordinator().refreshDevices());
    runTask(homeModel->load());
    runTask(homeModel->shuffleDiscover(coordinator()));
    EXPECT_EQ(requestCount("PUT", "/v1/me/player/play"), 0u);

    played(playedAlbum("rock", {"Rock"}), 1h);
    played(playedAlbum("kids", {"Children's Music"}), 1h);
    runTask(homeModel->load());
    // Children's albums stay out of Discover under "All".
    EXPECT_EQ(titlesOf(homeModel->discoverAlbums()), QStringList{"History rock"});
    homeModel->selectGenre("rock");
    runTask(homeModel->shuffleDiscover(coordinator()));
    const auto plays = standIn.requestsTo("/v1/me/player/play");
    ASSERT_EQ(plays.size(), 1u);
    const QJsonObject body =
        QJsonDocument::fromJson(QByteArray::fromStdString(plays[0].body)).object();
    EXPECT_EQ(body.value("context_uri").toString(), "spotify:album:rock");
    EXPECT_EQ(coordinator().nowPlayingAlbumIDText(), "spotify-rock");
}
