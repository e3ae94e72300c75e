#include "musicapp/EmbeddedArtwork.h"
#include "musicapp/TagReader.h"
#include "spotify/SpotifyStandIn.h"
#include "support/Accessibility.h"
#include "support/QuickView.h"
#include "support/RunTask.h"
#include "support/TestAudio.h"
#include "support/TestHome.h"
#include "ui/CoverImages.h"
#include "ui/DisplayPreferences.h"

#include <QBuffer>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QStandardItemModel>

namespace {

enum Role { albumID = Qt::UserRole, title, artistNames, genre, artwork, isPlaying };

struct Album {
    QString id;
    QString title;
    QString artists;
    QUrl artwork;
    bool playing = false;
};

class AlbumGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        TestAudio audio;
        audio.cover = true;
        ASSERT_EQ(makeTestAudio(tracks.path("cover.flac"), audio), "");
        server.on("GET", "/image/blue", [](const SpotifyStandIn::Request&) {
            QImage image(300, 300, QImage::Format_RGB32);
            image.fill(QColor(40, 90, 200));
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return SpotifyStandIn::Reply{200, bytes.toStdString(), "image/png"};
        });
        const auto remote = [this](const char* path) {
            return AlbumArtwork::remote(QUrl(QString::fromStdString(server.origin() + path)));
        };
        const auto local = AlbumArtwork::local(
            std::make_shared<EmbeddedArtwork>(tracks.path("cover.flac"), makeTagLibReader()));

        albums = {
            {"apple-1", "Blue Train", "John Coltrane", covers.source("apple-1", local), true},
            {"spotify-1", "Kind of Blue", "Miles Davis",
             covers.source("spotify-1", remote("/image/blue"))},
            {"apple-2", "No Cover", "Nobody", {}},
            {"spotify-2", "Broken Cover", "Somebody",
             covers.source("spotify-2", remote("/image/missing"))},
            {"apple-3", "", "Untitled Artist", {}},
            {"spotify-3",
             QStringLiteral("交響曲第9番 ニ短調 作品125 「合唱付き」 全曲演奏"),
             QStringLiteral("أم كلثوم وفرقة القاهرة السيمفونية"),
             {}},
        };
        albums.append({"apple-4", "50%2 Off", "%1 Band", {}});
        for (int i = 0; i < 7; ++i)
            albums.append({QStringLiteral("apple-x%1").arg(i),
                           QStringLiteral("Album %1").arg(i),
                           QStringLiteral("Artist"),
                           {}});
        model.setItemRoleNames({{albumID, "albumID"},
                                {title, "title"},
                                {artistNames, "artistNames"},
                                {genre, "genre"},
                                {artwork, "artwork"},
                                {isPlaying, "isPlaying"}});
        for (const Album& album : albums) {
            auto* item = new QStandardItem;
            item->setData(album.id, albumID);
            item->setData(album.title, title);
            item->setData(album.artists, artistNames);
            item->setData(QStringLiteral("Jazz"), genre);
            item->setData(album.artwork, artwork);
            item->setData(album.playing, isPlaying);
            model.appendRow(item);
        }
        ASSERT_TRUE(view.showView("AlbumGridView",
                                  {{"preferences", QVariant::fromValue(&preferences)},
                                   {"model", QVariant::fromValue(static_cast<QObject*>(&model))}},
                                  QSize(1280, 800), UiModels{.covers = &covers}));
    }

    QQuickItem* cell(const QString& id) const {
        return qobject_cast<QQuickItem*>(view.find(("albumCell-" + id).toUtf8().constData()));
    }
    QObject* part(const QString& id, const char* name) const {
        return findByObjectName(cell(id), QString::fromLatin1(name));
    }
    // How many cells sit in the first row.
    int firstRow() const {
        int count = 0;
        for (const Album& album : albums)
            count += cell(album.id) && cell(album.id)->y() == cell(albums[0].id)->y();
        return count;
    }

    TestHome home;
    TestTracks tracks;
    SpotifyStandIn server;
    CoverImages covers{home.filePath("covers"), CoverImages::defaultMemoryBytes,
                       server.fetchPolicy()};
    DisplayPreferences preferences;
    QStandardItemModel model;
    QList<Album> albums;
    QuickView view;
};

TEST_F(AlbumGridTest, ColumnsFollowTheThumbnailSizeAndCellsShowWhatTheyHave) {
    ASSERT_TRUE(waitUntil([&] { return cell("apple-1") != nullptr; }));
    QTest::mouseMove(view.window(), QPoint(1270, 790)); // over no cell
    for (double size : {110.0, 200.0}) {
        preferences.setThumbnailSize(size);
        const int columns = adaptiveGridColumns(1280 - 16, size).count;
        EXPECT_TRUE(waitUntil([&] { return firstRow() == columns; })) << size;
        const double cover = cell("apple-1")->property("coverSize").toDouble();
        EXPECT_GE(cover, size);
        EXPECT_LE(cover, size * 1.45);
    }
    preferences.setThumbnailSize(160);
    preferences.setDisplayStyleIndex(1); // cover, artist and title

    // Covers from the disk and the network; the placeholder where there is none.
    for (const char* id : {"apple-1", "spotify-1"}) {
        EXPECT_TRUE(waitUntil([&] { return part(id, "cover")->property("status").toInt() == 1; }))
            << id;
        EXPECT_FALSE(part(id, "coverPlaceholder")->property("visible").toBool()) << id;
    }
    for (const char* id : {"apple-2", "spotify-2", "apple-3"})
        EXPECT_TRUE(part(id, "coverPlaceholder")->property("visible").toBool()) << id;

    EXPECT_TRUE(
        waitUntil([&] { return part("spotify-1", "cellTitle")->property("visible").toBool(); }));
    EXPECT_EQ(part("spotify-1", "cellTitle")->property("text"), "Kind of Blue");
    EXPECT_EQ(part("spotify-1", "cellArtist")->property("text"), "Miles Davis");
    // Long titles in any script stay on one line; an empty one keeps the layout.
    EXPECT_TRUE(part("spotify-3", "cellTitle")->property("truncated").toBool());
    EXPECT_TRUE(part("spotify-3", "cellArtist")->property("truncated").toBool());
    EXPECT_EQ(cell("apple-3")->height(), cell("apple-1")->height());
    EXPECT_TRUE(view.saveScreen("album-grid-details"));

    preferences.setDisplayStyleIndex(0); // cover only
    EXPECT_TRUE(
        waitUntil([&] { return !part("apple-1", "cellTitle")->property("visible").toBool(); }));
    EXPECT_FALSE(part("apple-1", "cellArtist")->property("visible").toBool());
    EXPECT_TRUE(view.saveScreen("album-grid-cover-only"));

    // Only the playing album carries the mark, and it follows what plays.
    const auto marked = [&](const char* id) {
        const QObject* mark = part(id, "playingMark");
        return mark && mark->property("visible").toBool() && part(id, "playingSymbol");
    };
    EXPECT_TRUE(marked("apple-1"));
    EXPECT_FALSE(marked("spotify-1"));
    model.item(0)->setData(false, isPlaying);
    model.item(1)->setData(true, isPlaying);
    EXPECT_TRUE(waitUntil([&] { return marked("spotify-1") && !marked("apple-1"); }));
    model.item(0)->setData(true, isPlaying);
    model.item(1)->setData(false, isPlaying);
    EXPECT_TRUE(waitUntil([&] { return marked("apple-1") && !marked("spotify-1"); }));
}

TEST_F(AlbumGridTest, KeysTheMouseAndAScreenReaderReachEveryAlbumAndPlayIt) {
    ASSERT_TRUE(waitUntil([&] { return cell("apple-1") != nullptr; }));
    QObject* grid = view.find("albumGrid");
    QSignalSpy clicked(grid, SIGNAL(albumClicked(QString)));
    const auto focused = [&](const QString& id) {
        return cell(id) && cell(id)->hasActiveFocus() &&
               part(id, "focusRing")->property("visible").toBool();
    };
    const auto press = [&](Qt::Key key) { QTest::keyClick(view.window(), key); };

    QTest::keyClick(view.window(), Qt::Key_Tab);
    ASSERT_TRUE(waitUntil([&] { return focused("apple-1"); }));
    EXPECT_FALSE(part("spotify-1", "focusRing")->property("visible").toBool());
    press(Qt::Key_Right);
    EXPECT_TRUE(waitUntil([&] { return focused("spotify-1"); }));
    press(Qt::Key_End);
    EXPECT_TRUE(waitUntil([&] { return focused(albums.last().id); }));
    press(Qt::Key_Home);
    EXPECT_TRUE(waitUntil([&] { return focused("apple-1"); }));
    press(Qt::Key_Down);
    EXPECT_TRUE(waitUntil([&] { return focused(albums[firstRow()].id); }));
    press(Qt::Key_PageUp);
    EXPECT_TRUE(waitUntil([&] { return focused("apple-1"); }));
    // The whole grid fits in the window: a page down reaches the last album.
    press(Qt::Key_PageDown);
    EXPECT_TRUE(waitUntil([&] { return focused(albums.last().id); }));

    press(Qt::Key_Home);
    press(Qt::Key_Return);
    press(Qt::Key_Right);
    press(Qt::Key_Space);
    ASSERT_EQ(clicked.count(), 2);
    EXPECT_EQ(clicked.at(0).at(0).toString(), "apple-1");
    EXPECT_EQ(clicked.at(1).at(0).toString(), "spotify-1");

    // Names as a screen reader reads them, marks and all; activating one plays it.
    const QList<std::pair<const char*, QString>> names = {
        {"apple-1", "Blue Train, John Coltrane, playing"},
        {"spotify-1", "Kind of Blue, Miles Davis"},
        {"apple-4", "50%2 Off, %1 Band"},
    };
    for (const auto& [id, name] : names) {
        EXPECT_EQ(accessibleName(cell(id)), name) << id;
        EXPECT_EQ(accessibleRole(cell(id)), QAccessible::Button) << id;
    }
    EXPECT_TRUE(pressAccessibly(cell("apple-4")));
    ASSERT_EQ(clicked.count(), 3);
    EXPECT_EQ(clicked.at(2).at(0).toString(), "apple-4");

    // Hovering scales the cell alone, and with titles hidden the pointer
    // still learns the album.
    QQuickItem* body = qobject_cast<QQuickItem*>(part("spotify-1", "albumCellBody"));
    QTest::mouseMove(view.window(), QPoint(1270, 790)); // over no cell first
    QTest::mouseMove(view.window(),
                     body->mapToScene({body->width() / 2, body->height() / 2}).toPoint());
    EXPECT_TRUE(waitUntil([&] { return body->scale() > 1.0; }));
    EXPECT_EQ(qobject_cast<QQuickItem*>(part("apple-1", "albumCellBody"))->scale(), 1.0);
    EXPECT_TRUE(waitUntil([&] {
        return view.visible("albumToolTip") &&
               view.property("albumToolTip", "text") == "Kind of Blue, Miles Davis";
    })) << view.find("albumToolTip")
        << " " << grid->property("hoveredCell").value<QObject*>()
        << view.property("albumToolTip", "text").toString().toStdString();
    EXPECT_TRUE(view.saveScreen("album-grid-keyboard"));
    // A click names its album too.
    view.click("albumCell-spotify-1");
    ASSERT_EQ(clicked.count(), 4);
    EXPECT_EQ(clicked.at(3).at(0).toString(), "spotify-1");
}

} // namespace
