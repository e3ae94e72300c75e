#include "model/Genre.h"

#include "model/DisplayAlbum.h"

#include <QCoreApplication>
#include <QHash>

#include <algorithm>
#include <array>

namespace {

struct CatalogRow {
    const char* id;
    const char* displayName;
    QRgb color;
    bool hidden;
    std::initializer_list<const char*> keywords;
};

constexpr QRgb rgb(double red, double green, double blue) {
    return qRgb(int(red * 255 + 0.5), int(green * 255 + 0.5), int(blue * 255 + 0.5));
}

// Fixed stand-ins for the named system colours.
constexpr QRgb systemYellow = qRgb(255, 204, 0);
constexpr QRgb systemIndigo = qRgb(88, 86, 214);
constexpr QRgb systemBlue = qRgb(0, 122, 255);
constexpr QRgb systemBrown = qRgb(162, 132, 94);
constexpr QRgb systemOrange = qRgb(255, 149, 0);
constexpr QRgb systemMint = qRgb(0, 199, 190);
constexpr QRgb systemPurple = qRgb(175, 82, 222);
constexpr QRgb systemRed = qRgb(255, 59, 48);
constexpr QRgb systemPink = qRgb(255, 45, 85);
constexpr QRgb systemGrey = qRgb(142, 142, 147);

// The order of rows decides between genres that both match a tag, and between
// chips with equal album counts.
const std::initializer_list<CatalogRow> kCatalog{
    {"comedy",
     QT_TRANSLATE_NOOP("Genre", "Comedy & Spoken"),
     rgb(0.6, 0.5, 0.85),
     true,
     {"comedy", "spoken word", "audiobook", "speech", "stand-up", "humour", "humor"}},
    {"kids",
     QT_TRANSLATE_NOOP("Genre", "Kids"),
     systemYellow,
     true,
     {"children", "kids", "kinder", "enfant", "nursery", "lullab", "disney"}},
    {"soundtrack",
     QT_TRANSLATE_NOOP("Genre", "Soundtrack"),
     systemIndigo,
     false,
     {"soundtrack", "score", "video game music", "film", "movie", "musical", "anime"}},
    {"postrock", "Post-Rock", rgb(0.35, 0.45, 0.75), false, {"post-rock", "post rock", "postrock"}},
    {"chanson",
     QT_TRANSLATE_NOOP("Genre", "Chanson"),
     systemBlue,
     false,
     {"chanson", "variété", "variete", "français", "francais", "french pop", "francophone"}},
    {"ambient",
     QT_TRANSLATE_NOOP("Genre", "Chill & Ambient"),
     rgb(0.25, 0.65, 0.7),
     false,
     {"ambient", "chill", "lounge", "downtempo", "trip hop", "trip-hop", "new age", "meditation",
      "drone", "sleep"}},
    {"modernclassical",
     QT_TRANSLATE_NOOP("Genre", "Modern Classical"),
     rgb(0.6, 0.4, 0.55),
     false,
     {"modern classical", "neoclassical", "neo-classical", "contemporary classical", "minimalism",
      "minimalist", "compositional", "piano"}},
    {"classical",
     QT_TRANSLATE_NOOP("Genre", "Classical"),
     systemBrown,
     false,
     {"classical", "orchestra", "opera", "baroque", "symphon", "choral", "early music"}},
    {"metal",
     QT_TRANSLATE_NOOP("Genre", "Metal"),
     rgb(0.4, 0.4, 0.4),
     false,
     {"metal", "hardcore", "screamo", "grindcore", "djent"}},
    {"punk", "Punk", rgb(0.9, 0.35, 0.1), false, {"punk"}},
    {"hiphop",
     QT_TRANSLATE_NOOP("Genre", "Hip-Hop"),
     systemOrange,
     false,
     {"hip hop", "hip-hop", "rap", "trap", "grime", "drill"}},
    {"soul",
     QT_TRANSLATE_NOOP("Genre", "Soul, Jazz & Blues"),
     rgb(0.85, 0.2, 0.55),
     false,
     {"r&b", "soul", "funk", "jazz", "swing", "blues", "gospel", "motown"}},
    {"folk",
     QT_TRANSLATE_NOOP("Genre", "Folk & Country"),
     rgb(0.4, 0.6, 0.3),
     false,
     {"folk", "country", "americana", "bluegrass", "singer-songwriter", "singer/songwriter"}},
    {"world",
     QT_TRANSLATE_NOOP("Genre", "World"),
     systemMint,
     false,
     {"world", "afro", "reggae", "dancehall", "latin", "reggaeton", "salsa", "bossa", "samba",
      "cumbia", "flamenco", "fado", "celtic", "balkan", "klezmer", "k-pop", "j-pop"}},
    {"electronic",
     QT_TRANSLATE_NOOP("Genre", "Electronic"),
     systemPurple,
     false,
     {"edm", "electro", "house", "techno", "trance", "dubstep", "electronic", "dance",
      "drum and bass", "breakbeat", "idm", "synth", "club"}},
    {"rock",
     QT_TRANSLATE_NOOP("Genre", "Rock"),
     systemRed,
     false,
     {"rock", "grunge", "garage", "alternative", "indie", "britpop", "shoegaze", "new wave"}},
    {"pop", "Pop", systemPink, false, {"pop", "hits", "disco"}},
    {"other", QT_TRANSLATE_NOOP("Genre", "Other"), systemGrey, false, {}},
};

// The catalogue with its display names lower-cased once, for the name pass.
struct Catalog {
    QList<Genre> genres;
    QStringList lowerNames;
    int otherIndex = -1;

    Catalog() {
        for (const auto& row : kCatalog) {
            Genre genre;
            genre.id = QString::fromUtf8(row.id);
            genre.displayName = QString::fromUtf8(row.displayName);
            genre.color = QColor(row.color);
            for (const char* keyword : row.keywords) {
                genre.keywords.append(QString::fromUtf8(keyword));
            }
            genre.isHiddenFromDiscover = row.hidden;
            lowerNames.append(genre.displayName.toLower());
            genres.append(genre);
        }
        otherIndex = int(genres.size()) - 1;
    }
};

const Catalog& catalogData() {
    static const Catalog catalog;
    return catalog;
}

// Position in the catalogue of the genre a tag names, or -1.
int classifyIndex(const QString& raw) {
    const QString tag = raw.trimmed().toLower();
    if (tag.isEmpty()) {
        return -1;
    }
    const auto& catalog = catalogData();
    for (int index = 0; index < catalog.lowerNames.size(); ++index) {
        if (catalog.lowerNames.at(index) == tag) {
            if (index != catalog.otherIndex) {
                return index;
            }
            break; // "Other" is not taken as a name
        }
    }
    for (int index = 0; index < catalog.genres.size(); ++index) {
        for (const auto& keyword : catalog.genres.at(index).keywords) {
            if (tag.contains(keyword)) {
                return index;
            }
        }
    }
    return -1;
}

Genre greyGenre(const char* id, const char* name) {
    Genre genre;
    genre.id = QString::fromLatin1(id);
    genre.displayName = QString::fromLatin1(name);
    genre.color = QColor(systemGrey);
    return genre;
}

} // namespace

const QList<Genre>& Genre::catalog() {
    return catalogData().genres;
}

const Genre& Genre::all() {
    static const Genre genre = greyGenre("all", QT_TRANSLATE_NOOP("Genre", "All"));
    return genre;
}

const Genre& Genre::other() {
    return catalogData().genres.at(catalogData().otherIndex);
}

std::optional<Genre> Genre::withID(const QString& id) {
    for (const auto& genre : catalog()) {
        if (genre.id == id) {
            return genre;
        }
    }
    return std::nullopt;
}

std::optional<Genre> Genre::classify(const QString& raw) {
    const int index = classifyIndex(raw);
    if (index < 0) {
        return std::nullopt;
    }
    return catalog().at(index);
}

Genre Genre::classify(const QStringList& rawGenres) {
    // Counts per catalogue position, and the order each genre was first met.
    std::array<int, 32> counts{};
    std::array<int, 32> firstMet{};
    int metCount = 0;
    // An album's tracks mostly share a few tags: a tag met before in this
    // call reuses its answer instead of walking the catalogue again.
    std::array<const QString*, 16> seenRaw{};
    std::array<int, 16> seenIndex{};
    size_t seenCount = 0;
    for (const auto& raw : rawGenres) {
        int index = -2;
        for (size_t seen = 0; seen < seenCount; ++seen) {
            if (*seenRaw[seen] == raw) {
                index = seenIndex[seen];
                break;
            }
        }
        if (index == -2) {
            index = classifyIndex(raw);
            if (seenCount < seenRaw.size()) {
                seenRaw[seenCount] = &raw;
                seenIndex[seenCount++] = index;
            }
        }
        if (index < 0) {
            continue;
        }
        if (counts[size_t(index)]++ == 0) {
            firstMet[size_t(metCount++)] = index;
        }
    }
    int best = -1;
    for (int order = 0; order < metCount; ++order) {
        const int index = firstMet[size_t(order)];
        if (best < 0 || counts[size_t(index)] > counts[size_t(best)]) {
            best = index;
        }
    }
    return best < 0 ? other() : catalog().at(best);
}

QList<Genre> Genre::chips(const QList<DisplayAlbum>& albums, const QStringList& recency) {
    QHash<QString, int> counts;
    for (const auto& album : albums) {
        ++counts[album.genre.id];
    }

    QList<Genre> result{all()};
    for (const auto& id : recency) {
        if (counts.value(id) > 0) {
            if (auto genre = withID(id); genre && !result.contains(*genre)) {
                result.append(*genre);
            }
        }
    }

    struct Remaining {
        Genre genre;
        int group;
        int count;
        int position;
    };
    QList<Remaining> remaining;
    const auto& genres = catalog();
    for (int position = 0; position < genres.size(); ++position) {
        const auto& genre = genres.at(position);
        const int count = counts.value(genre.id);
        if (count == 0 || recency.contains(genre.id)) {
            continue;
        }
        const int group = genre == other() ? 2 : (genre.isHiddenFromDiscover ? 1 : 0);
        remaining.append({genre, group, count, position});
    }
    std::stable_sort(remaining.begin(), remaining.end(), [](const auto& a, const auto& b) {
        if (a.group != b.group) {
            return a.group < b.group;
        }
        if (a.count != b.count) {
            return a.count > b.count;
        }
        return a.position < b.position;
    });
    for (const auto& entry : remaining) {
        result.append(entry.genre);
    }
    return result;
}
