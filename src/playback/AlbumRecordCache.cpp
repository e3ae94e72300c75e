#include "playback/AlbumRecordCache.h"

#include "musicapp/AppleMusicAlbum.h"
#include "playback/AlbumSearch.h"

const AlbumRecord& AlbumRecordCache::local(const AppleMusicAlbum& album) {
    const std::size_t stamp = album.contentStamp();
    LocalEntry& entry = local_[QStringLiteral("apple-") + album.id()];
    if (entry.pass == 0 || entry.stamp != stamp) {
        DisplayAlbum display = DisplayAlbum::classified(album.unified());
        QString key = AlbumSearch::keyOf(display.album.title, display.album.artistNames);
        entry.record = AlbumRecord{std::move(display), std::move(key)};
        entry.stamp = stamp;
    }
    entry.pass = pass_;
    return entry.record;
}

void AlbumRecordCache::finishLocalPass() {
    local_.removeIf([this](const auto& item) { return item.value().pass != pass_; });
    ++pass_;
}

AlbumRecord AlbumRecordCache::wrap(UnifiedAlbum album) {
    auto found = wrapped_.find(album.id);
    if (found == wrapped_.end() || found->title != album.title ||
        found->artistNames != album.artistNames || found->rawGenres != album.rawGenres) {
        if (found == wrapped_.end() && wrapped_.size() >= maxWrapped)
            wrapped_.clear();
        found =
            wrapped_.insert(album.id, Wrapped{album.title, album.artistNames, album.rawGenres,
                                              Genre::classify(album.rawGenres),
                                              AlbumSearch::keyOf(album.title, album.artistNames)});
    }
    Genre genre = found->genre;
    QString key = found->searchKey;
    return AlbumRecord{DisplayAlbum{std::move(album), std::move(genre)}, std::move(key)};
}
