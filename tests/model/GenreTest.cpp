#include "model/Genre.h"
#include "model/DisplayAlbum.h"

#include <gtest/gtest.h>

namespace {

QString classified(const QString& tag) {
    const auto genre = Genre::classify(tag);
    return genre ? genre->id : QStringLiteral("(none)");
}

TEST(GenreTest, ClassifiesOneTag) {
    struct Row {
        QString tag;
        const char* expected;
    };
    const Row rows[] = {
        {"  Hip-Hop\n", "hiphop"},
        {"", "(none)"},
        {"   ", "(none)"},
        {"Christmas", "(none)"},
        {"Other", "(none)"},
        {"Electronica", "electronic"},
        {"Children's Music", "kids"},
        {"Singer/Songwriter", "folk"},
        {"pop punk", "punk"},
        {"indie pop", "rock"},
        {"trip hop", "ambient"},
        {"K-Pop", "world"},
        {"film score", "soundtrack"},
        {"hip-hop/rap", "hiphop"},
        {"r&b/soul", "soul"},
        {"Soul, Jazz & Blues", "soul"},
        {"CHANSON FRANÇAISE", "chanson"},
        {"Variété", "chanson"},
        {"Symphonic Metal", "classical"},
        {"Lullabies", "kids"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(classified(row.tag), QString::fromLatin1(row.expected)) << row.tag.toStdString();
    }
}

TEST(GenreTest, ClassifiesAnAlbumByMostTracks) {
    struct Row {
        QStringList tags;
        const char* expected;
    };
    const Row rows[] = {
        {{"Rock", "Pop", "Pop"}, "pop"},
        {{"Rock", "Pop"}, "rock"},
        {{"Pop", "Rock"}, "pop"},
        {{"Christmas"}, "other"},
        {{}, "other"},
        {{"Christmas", "Jazz"}, "soul"},
        {{"Other", "Other", "Metal"}, "metal"},
        {{"Jazz", "Rock", "Rock", "Blues"}, "soul"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Genre::classify(row.tags).id, QString::fromLatin1(row.expected))
            << row.tags.join(',').toStdString();
    }
}

QList<DisplayAlbum> albumsWith(const QList<QPair<const char*, int>>& counts) {
    QList<DisplayAlbum> albums;
    for (const auto& [id, count] : counts) {
        for (int i = 0; i < count; ++i) {
            albums.append(
                DisplayAlbum{UnifiedAlbum{.id = QStringLiteral("album-%1-%2").arg(id).arg(i)},
                             *Genre::withID(QString::fromLatin1(id))});
        }
    }
    return albums;
}

QStringList chipIDs(const QList<DisplayAlbum>& albums, const QStringList& recency) {
    QStringList ids;
    for (const auto& chip : Genre::chips(albums, recency)) {
        ids << chip.id;
    }
    return ids;
}

TEST(GenreTest, ChipsOrderByRecencyGroupCountAndCatalogue) {
    const auto albums = albumsWith({{"rock", 5}, {"pop", 7}, {"kids", 9}, {"other", 12}});
    struct Row {
        QList<DisplayAlbum> albums;
        QStringList recency;
        QStringList expected;
    };
    const Row rows[] = {
        {{}, {}, {"all"}},
        {{}, {"rock"}, {"all"}},
        {albums, {}, {"all", "pop", "rock", "kids", "other"}},
        {albums, {"kids", "jazz"}, {"all", "kids", "pop", "rock", "other"}},
        {albums, {"other", "rock", "metal"}, {"all", "other", "rock", "pop", "kids"}},
        {albumsWith({{"punk", 3}, {"metal", 3}}), {}, {"all", "metal", "punk"}},
        {albumsWith({{"comedy", 1}, {"kids", 4}, {"world", 1}}),
         {},
         {"all", "world", "kids", "comedy"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(chipIDs(row.albums, row.recency), row.expected)
            << row.recency.join(',').toStdString();
    }
    // "All" is a chip, never a genre an album has; kids and comedy stay out of Discover.
    EXPECT_FALSE(Genre::catalog().contains(Genre::all()));
    EXPECT_EQ(Genre::all().displayName, QStringLiteral("All"));
    EXPECT_TRUE(Genre::withID("kids")->isHiddenFromDiscover);
    EXPECT_TRUE(Genre::withID("comedy")->isHiddenFromDiscover);
    EXPECT_FALSE(Genre::other().isHiddenFromDiscover);
}

} // namespace
