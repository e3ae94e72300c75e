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

} // namespace
