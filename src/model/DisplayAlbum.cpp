#include "model/DisplayAlbum.h"

DisplayAlbum DisplayAlbum::classified(UnifiedAlbum album) {
    Genre genre = Genre::classify(album.rawGenres);
    return DisplayAlbum{std::move(album), std::move(genre)};
}
