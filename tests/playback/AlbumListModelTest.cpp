// The album list models: a new list changes only the rows that changed.
#include "playback/AlbumListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

DisplayAlbum album(const QString& id, const QString& title = {}) {
    UnifiedAlbum unified;
    unified.id = id;
    unified.title = title.isEmpty() ? id : title;
    unified.artwork = AlbumArtwork::remote(QUrl("https://i.example/" + id));
    return DisplayAlbum{unified, Genre::other()};
}

QList<DisplayAlbum> albums(const QStringList& ids) {
    QList<DisplayAlbum> list;
    for (const QString& id : ids)
        list.append(album(id));
    return list;
}

QStringList rowsOf(const AlbumListModel& model) {
    QStringList ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids << model.data(model.index(row), AlbumListModel::AlbumIDRole).toString();
    return ids;
}

// Every signal a view reacts to, counted.
struct Signals {
    explicit Signals(AlbumListModel& model)
        : inserted(&model, &QAbstractItemModel::rowsInserted)
        , removed(&model, &QAbstractItemModel::rowsRemoved)
        , moved(&model, &QAbstractItemModel::rowsMoved)
        , changed(&model, &QAbstractItemModel::dataChanged)
        , reset(&model, &QAbstractItemModel::modelReset)
        , layout(&model, &QAbstractItemModel::layoutChanged) {}
    QSignalSpy inserted, removed, moved, changed, reset, layout;
};

// One id per letter.
QStringList letters(const char* ids) {
    QStringList list;
    for (const char* id = ids; *id; ++id)
        list << QString(QLatin1Char(*id));
    return list;
}

TEST(AlbumListModelTest, ANewListChangesOnlyTheRowsThatChanged) {
    struct Row {
        const char* what;
        QStringList from, to;
        int inserts, removes, moves;
        bool reset = false;
    };
    QStringList many, everyOther;
    for (int i = 0; i < 400; ++i) {
        many << QString::number(i);
        if (i % 2 == 0)
            everyOther << QString::number(i);
    }
    const Row rows[] = {
        {"the same list", letters("abc"), letters("abc"), 0, 0, 0},
        {"one added, one removed", letters("abcd"), letters("axcd"), 1, 1, 0},
        {"a run added and a run removed", letters("abcd"), letters("xyab"), 1, 1, 0},
        {"the last album lifted to the top", letters("abcd"), letters("dabc"), 0, 0, 1},
        {"the first album sunk to the bottom", letters("abcd"), letters("bcda"), 0, 0, 1},
        {"two swap", letters("abcd"), letters("acbd"), 0, 0, 1},
        {"reversed", letters("abcde"), letters("edcba"), 0, 0, 4},
        {"moved, added and removed at once", letters("abcde"), letters("exbd"), 1, 2, 1},
        {"from nothing", {}, letters("ab"), 1, 0, 0},
        {"to nothing", letters("ab"), {}, 0, 1, 0},
        {"every other of many removed", many, everyOther, 0, 0, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        AlbumListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.setAlbums(albums(row.from));
        Signals spy(model);
        QSignalSpy count(&model, &AlbumListModel::countChanged);
        model.setAlbums(albums(row.to));
        EXPECT_EQ(rowsOf(model), row.to);
        EXPECT_EQ(spy.reset.size(), row.reset ? 1 : 0);
        EXPECT_EQ(spy.inserted.size(), row.inserts);
        EXPECT_EQ(spy.removed.size(), row.removes);
        EXPECT_EQ(spy.moved.size(), row.moves);
        EXPECT_EQ(spy.changed.size(), 0);
        EXPECT_EQ(spy.layout.size(), 0);
        EXPECT_EQ(count.size(), row.from.size() == row.to.size() ? 0 : 1);
    }
}

TEST(AlbumListModelTest, RolesComeFromOneTableAndChangeOnlyWhereTheirValueDid) {
    AlbumListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QList<DisplayAlbum> list = albums({"spotify-a", "apple-b", "spotify-c"});
    list[1].album.artwork = AlbumArtwork::local(nullptr);
    list[1].genre = *Genre::withID("rock");
    list[1].album.artistNames = "Sigur Rós";
    model.setAlbums(list);

    const QModelIndex b = model.index(1);
    EXPECT_EQ(model.data(b, AlbumListModel::GenreRole), "Rock");
    EXPECT_EQ(model.data(b, AlbumListModel::ArtistNamesRole), "Sigur Rós");
    // A local cover has no address of its own until the views give one.
    EXPECT_EQ(model.data(b, AlbumListModel::ArtworkRole).toUrl(), QUrl());
    EXPECT_EQ(model.data(model.index(0), AlbumListModel::ArtworkRole).toUrl(),
              QUrl("https://i.example/spotify-a"));

    Signals spy(model);
    // A newer record with the same shown values (a later date) is quiet;
    // a new title changes that row alone.
    list[0].album.sortDate = QDateTime::currentDateTimeUtc();
    list[2].album.title = "Renamed";
    model.setAlbums(list);
    ASSERT_EQ(spy.changed.size(), 1);
    EXPECT_EQ(spy.changed[0][0].toModelIndex().row(), 2);
    EXPECT_EQ(spy.changed[0][1].toModelIndex().row(), 2);
    EXPECT_EQ(model.data(model.index(2), AlbumListModel::TitleRole), "Renamed");
    EXPECT_EQ(model.albums()[0].album.sortDate, list[0].album.sortDate);

    // The playing album: only the rows it leaves and enters change.
    spy.changed.clear();
    model.setNowPlayingAlbumID("apple-b");
    model.setNowPlayingAlbumID("spotify-c");
    model.setNowPlayingAlbumID("spotify-c");
    QList<int> rows;
    for (const auto& change : spy.changed) {
        EXPECT_EQ(change[2].value<QList<int>>(), QList<int>{AlbumListModel::IsPlayingRole});
        for (int row = change[0].toModelIndex().row(); row <= change[1].toModelIndex().row(); ++row)
            rows << row;
    }
    EXPECT_EQ(rows, (QList<int>{1, 1, 2}));
    EXPECT_FALSE(model.data(b, AlbumListModel::IsPlayingRole).toBool());
    EXPECT_TRUE(model.data(model.index(2), AlbumListModel::IsPlayingRole).toBool());

    // The views' own cover addresses.
    spy.changed.clear();
    model.setArtworkURL([](const DisplayAlbum& a) {
        return a.album.artwork.isLocal() ? QUrl("image://cover/" + a.id())
                                         : AlbumListModel::remoteArtworkURL(a);
    });
    ASSERT_EQ(spy.changed.size(), 1);
    EXPECT_EQ(spy.changed[0][2].value<QList<int>>(), QList<int>{AlbumListModel::ArtworkRole});
    EXPECT_EQ(model.data(b, AlbumListModel::ArtworkRole).toUrl(), QUrl("image://cover/apple-b"));
    EXPECT_EQ(model.data(model.index(0), AlbumListModel::ArtworkRole).toUrl(),
              QUrl("https://i.example/spotify-a"));
    EXPECT_EQ(spy.inserted.size() + spy.removed.size() + spy.moved.size() + spy.reset.size(), 0);
}

} // namespace
