#include "model/Genre.h"

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

// An album takes the genre most of its tracks name, the first met on a tie.
TEST(GenreTest, ClassifiesAnAlbumByMostTracks) {
    EXPECT_EQ(Genre::classify(QStringList{"Rock", "Pop", "Pop"}).id, "pop");
    EXPECT_EQ(Genre::classify(QStringList{"Rock", "Pop"}).id, "rock");
    EXPECT_EQ(Genre::classify(QStringList{"Christmas", "Jazz"}).id, "soul");
    EXPECT_EQ(Genre::classify(QStringList{}).id, "other");
}

} // namespace
