#include "playback/HomeViewModel.h"

#include "model/AlbumFilterSettings.h"
#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "musicapp/AppleMusicLibrary.h"
#include "playback/AlbumCollection.h"
#include "playback/AlbumRecordCache.h"
#include "playback/GenreChips.h"
#include "playback/PlaybackViewModel.h"

#include <QRandomGenerator>

#include <algorithm>

HomeViewModel::HomeViewModel(AppleMusicLibrary& appleMusic, MusicSourceSettings& sourceSettings,
                             AlbumFilterSettings& filterSettings, PlayHistoryStore& playHistory,
                             std::shared_ptr<AlbumRecordCache> records, QObject* parent)
    : AlbumPage(appleMusic, sourceSettings, filterSettings, std::move(records), parent)
    , playHistory_(playHistory)
    , selectedGenre_(Genre::all()) {
    // The recent list follows the history as the coordinator records plays.
    connect(&playHistory_, &PlayHistoryStore::entriesChanged, this,
            &HomeViewModel::updateRecentlyPlayed);
    connect(&playHistory_, &PlayHistoryStore::appleMusicPlayDatesChanged, this,
            &HomeViewModel::updateRecentlyPlayed);
    connect(&filterSettings_, &AlbumFilterSettings::minTracksPerAlbumChanged, this,
            &HomeViewModel::updateRecentlyPlayed);
}

HomeViewModel::~HomeViewModel() = default;

QCoro::Task<> HomeViewModel::load() {
    beginLoad();
    const MusicSource source = sourceSettings_.current();

    QList<AlbumRecord> records;
    if (MusicSources::includesSpotify(source)) {
        for (UnifiedAlbum& album : playHistory_.recentAlbums())
            records.append(records_->wrap(std::move(album)));
    }
    if (MusicSources::includesAppleMusic(source) && !co_await appendLocalAlbums(records))
        co_return;
    setAlbums(AlbumCollection::displayAlbums(
        AlbumCollection::finish(std::move(records), filterSettings_.minTracksPerAlbum(), false)));
    drawDiscover();
    endLoad();
}

void HomeViewModel::reload() {
    load();
}

void HomeViewModel::setAlbums(QList<DisplayAlbum> albums) {
    albums_ = std::move(albums);
    rowOf_.clear();
    rowOf_.reserve(albums_.size());
    for (qsizetype i = 0; i < albums_.size(); ++i)
        rowOf_.insert(albums_[i].id(), i); // ids are unique after finish()
    Q_EMIT albumsChanged();
    updateGenreChips(albums_);
    updateRecentlyPlayed();
}

QList<DisplayAlbum> HomeViewModel::mergedRecentAlbums() const {
    return mergedRecent(-1);
}

QList<DisplayAlbum> HomeViewModel::recentlyPlayed() const {
    return mergedRecent(recentlyPlayedLength);
}

QList<DisplayAlbum> HomeViewModel::mergedRecent(qsizetype limit) const {
    // The index of albums by id: rows of albums_, then history albums that
    // are not among them. A history album replaces a row with its id.
    QList<AlbumRecord> history;
    for (UnifiedAlbum& album : playHistory_.recentAlbums()) {
        if (album.trackCount >= filterSettings_.minTracksPerAlbum())
            history.append(records_->wrap(std::move(album)));
    }
    QList<const DisplayAlbum*> entries;
    entries.reserve(albums_.size() + history.size());
    for (const DisplayAlbum& album : albums_)
        entries.append(&album);
    QHash<QString, qsizetype> extraRow;
    for (const AlbumRecord& record : std::as_const(history)) {
        const QString& id = record.album.id();
        if (const auto row = rowOf_.constFind(id); row != rowOf_.cend()) {
            entries[*row] = &record.album;
        } else if (const auto extra = extraRow.constFind(id); extra != extraRow.cend()) {
            entries[*extra] = &record.album;
        } else {
            extraRow.insert(id, entries.size());
            entries.append(&record.album);
        }
    }
    // Local albums that Korvid itself played later than their own date.
    QHash<qsizetype, QDateTime> raised;
    const auto& playDates = playHistory_.appleMusicPlayDates();
    for (auto it = playDates.cbegin(); it != playDates.cend(); ++it) {
        auto row = rowOf_.value(it.key(), -1);
        if (row < 0)
            row = extraRow.value(it.key(), -1);
        if (row >= 0 && it.value().isValid() && it.value() > entries[row]->album.sortDate)
            raised.insert(row, it.value());
    }
    const auto dateAt = [&](qsizetype i) { return raised.value(i, entries[i]->album.sortDate); };
    const std::vector<qsizetype> order = AlbumCollection::newestFirst(entries.size(), dateAt);

    const qsizetype length =
        limit < 0 ? qsizetype(order.size()) : std::min(limit, qsizetype(order.size()));
    QList<DisplayAlbum> merged;
    merged.reserve(length);
    for (qsizetype k = 0; k < length; ++k) {
        const qsizetype i = order[std::size_t(k)];
        merged.append(*entries[i]);
        if (const auto date = raised.constFind(i); date != raised.cend())
            merged.back().album.sortDate = *date;
    }
    return merged;
}

void HomeViewModel::updateRecentlyPlayed() {
    recentModel_.setAlbums(recentlyPlayed());
    Q_EMIT recentlyPlayedChanged();
}

QList<DisplayAlbum> HomeViewModel::shuffled(const std::function<bool(const DisplayAlbum&)>& matches,
                                            qsizetype count) const {
    // Shuffling positions, not albums: only the few taken are copied.
    std::vector<qsizetype> candidates;
    for (qsizetype i = 0; i < albums_.size(); ++i) {
        if (matches(albums_[i]))
            candidates.push_back(i);
    }
    std::shuffle(candidates.begin(), candidates.end(), *QRandomGenerator::system());
    QList<DisplayAlbum> taken;
    for (qsizetype i = 0; i < std::min(qsizetype(candidates.size()), std::max(count, qsizetype(0)));
         ++i)
        taken.append(albums_[candidates[std::size_t(i)]]);
    return taken;
}

void HomeViewModel::drawDiscover() {
    // Under All, every genre but those kept out of Discover.
    const bool all = selectedGenre_ == Genre::all();
    discover_ = shuffled(
        [&](const DisplayAlbum& album) {
            return all ? !album.genre.isHiddenFromDiscover : album.genre == selectedGenre_;
        },
        discoverSize);
    discoverModel_.setAlbums(discover_);
    Q_EMIT discoverAlbumsChanged();
}

QCoro::Task<> HomeViewModel::shuffleDiscover(PlaybackViewModel& playback) {
    drawDiscover();
    if (discover_.isEmpty())
        co_return;
    co_await playback.play(discover_.first().album, 0, 0);
}

void HomeViewModel::setSelectedGenre(const Genre& genre) {
    const Genre previous = selectedGenre_;
    selectedGenre_ = genre;
    drawDiscover();
    if (genre == previous)
        return;
    Q_EMIT selectedGenreChanged();
    noteGenreChoice(previous, genre, albums_);
}

void HomeViewModel::selectGenre(const QString& genreID) {
    setSelectedGenre(genreForID(genreID));
}

std::optional<Genre> HomeViewModel::genre(const std::optional<QString>& albumID) const {
    if (albumID) {
        if (const auto row = rowOf_.constFind(*albumID); row != rowOf_.cend())
            return albums_[*row].genre;
    }
    const QList<DisplayAlbum> recent = mergedRecent(1);
    if (recent.isEmpty())
        return std::nullopt;
    return recent.first().genre;
}

QList<DisplayAlbum> HomeViewModel::randomAlbums(const Genre& genre, int count,
                                                const QSet<QString>& excluding) const {
    return shuffled(
        [&](const DisplayAlbum& album) {
            return album.genre == genre && !excluding.contains(album.id());
        },
        count);
}
