#include "model/PlayHistoryStore.h"
#include "platform/SettingsWriter.h"

#include "model/StoredJson.h"
#include "platform/Clock.h"
#include "platform/SynchronizedKeyValueStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <algorithm>

namespace {

const QString spotifyKey = QStringLiteral("spotifyPlayHistory");
const QString appleMusicKey = QStringLiteral("appleMusicPlayHistory");

std::optional<QByteArray> storedBytes(const QString& key) {
    const QVariant value = QSettings().value(key);
    if (!value.isValid())
        return std::nullopt;
    return value.toByteArray();
}

void writeStoredBytes(const QString& key, const QByteArray& bytes) {
    SettingsWriter::instance().writeNow(key, bytes);
}

std::optional<PlayHistoryStore::Entry> decodeEntry(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    PlayHistoryStore::Entry entry;
    const auto id = StoredJson::string(object, "id");
    const auto title = StoredJson::string(object, "title");
    const auto artistNames = StoredJson::string(object, "artistNames");
    const auto spotifyURI = StoredJson::string(object, "spotifyURI");
    const auto playedAt = StoredJson::toDate(object.value(QLatin1String("playedAt")));
    const auto trackCount = StoredJson::integer(object, "trackCount");
    const QJsonValue genres = object.value(QLatin1String("rawGenres"));
    if (!id || !title || !artistNames || !spotifyURI || !playedAt || !trackCount ||
        !genres.isArray())
        return std::nullopt;
    for (const QJsonValue& genre : genres.toArray()) {
        if (!genre.isString())
            return std::nullopt;
        entry.rawGenres.append(genre.toString());
    }
    if (!StoredJson::optionalString(object, "coverURLString", &entry.coverURLString))
        return std::nullopt;
    entry.id = *id;
    entry.title = *title;
    entry.artistNames = *artistNames;
    entry.spotifyURI = *spotifyURI;
    entry.playedAt = *playedAt;
    entry.trackCount = *trackCount;
    return entry;
}

} // namespace

PlayHistoryStore::PlayHistoryStore(SynchronizedKeyValueStore* store, const Clock* clock,
                                   QObject* parent)
    : QObject(parent)
    , store_(store)
    , clock_(clock) {
    loadSpotifyHistory();
    loadAppleMusicPlayDates();
    if (store_) {
        store_->synchronize();
        // The connection ends with either object, so a late notification
        // never reaches a store that is gone.
        connect(store_, &SynchronizedKeyValueStore::changedExternally, this,
                &PlayHistoryStore::loadSpotifyHistory);
    }
}

QDateTime PlayHistoryStore::now() const {
    return (clock_ ? *clock_ : Clock::system()).now();
}

void PlayHistoryStore::recordPlay(const UnifiedAlbum& album) {
    if (album.playback.isAppleMusic()) {
        appleMusicPlayDates_.insert(album.id, now());
        Q_EMIT appleMusicPlayDatesChanged();
        saveAppleMusicPlayDates();
        return;
    }

    Entry entry;
    entry.id = album.id;
    entry.title = album.title;
    entry.artistNames = album.artistNames;
    entry.rawGenres = album.rawGenres;
    // A count past what a JSON number holds exactly would not read back.
    entry.trackCount =
        std::clamp(album.trackCount, -StoredJson::maxInteger, StoredJson::maxInteger);
    if (album.artwork.isRemote() && album.artwork.url())
        entry.coverURLString = album.artwork.url()->toString(QUrl::FullyEncoded);
    entry.spotifyURI = *album.playback.spotifyURI();
    entry.playedAt = now();

    QList<Entry> updated;
    updated.reserve(std::min<qsizetype>(entries_.size() + 1, maxEntries));
    updated.append(std::move(entry));
    for (const Entry& old : std::as_const(entries_)) {
        if (updated.size() >= maxEntries)
            break;
        if (old.id != album.id)
            updated.append(old);
    }
    entries_ = std::move(updated);
    Q_EMIT entriesChanged();
    saveSpotifyHistory();
}

QList<UnifiedAlbum> PlayHistoryStore::recentAlbums() const {
    QList<UnifiedAlbum> albums;
    albums.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        UnifiedAlbum album;
        album.id = entry.id;
        album.title = entry.title;
        album.artistNames = entry.artistNames;
        album.rawGenres = entry.rawGenres;
        album.trackCount = entry.trackCount;
        std::optional<QUrl> cover;
        if (entry.coverURLString) {
            const QUrl url(*entry.coverURLString, QUrl::StrictMode);
            if (url.isValid() && !url.isRelative())
                cover = url;
        }
        album.artwork = AlbumArtwork::remote(cover);
        album.sortDate = entry.playedAt;
        album.playback = UnifiedAlbum::Playback::spotify(entry.spotifyURI);
        albums.append(std::move(album));
    }
    return albums;
}

void PlayHistoryStore::loadSpotifyHistory() {
    if (store_) {
        if (const auto bytes = store_->data(spotifyKey)) {
            if (auto decoded = decodeEntries(*bytes)) {
                entries_ = std::move(*decoded);
                Q_EMIT entriesChanged();
                writeStoredBytes(spotifyKey, *bytes);
                return;
            }
        }
    }
    if (const auto bytes = storedBytes(spotifyKey)) {
        if (auto decoded = decodeEntries(*bytes)) {
            entries_ = std::move(*decoded);
            Q_EMIT entriesChanged();
        }
    }
}

void PlayHistoryStore::loadAppleMusicPlayDates() {
    if (const auto bytes = storedBytes(appleMusicKey)) {
        if (auto decoded = decodePlayDates(*bytes)) {
            appleMusicPlayDates_ = std::move(*decoded);
            Q_EMIT appleMusicPlayDatesChanged();
        }
    }
}

void PlayHistoryStore::saveSpotifyHistory() {
    const QByteArray bytes = encodeEntries(entries_);
    writeStoredBytes(spotifyKey, bytes);
    if (store_) {
        store_->setData(spotifyKey, bytes);
        store_->synchronize();
    }
}

void PlayHistoryStore::saveAppleMusicPlayDates() {
    if (appleMusicPlayDates_.size() > maxAppleMusicPlayDates) {
        QList<std::pair<QString, QDateTime>> pairs;
        pairs.reserve(appleMusicPlayDates_.size());
        for (auto it = appleMusicPlayDates_.cbegin(); it != appleMusicPlayDates_.cend(); ++it)
            pairs.append({it.key(), it.value()});
        // Newest first; equal dates by id so the outcome does not depend on hashing.
        std::sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
            return a.second != b.second ? a.second > b.second : a.first < b.first;
        });
        pairs.resize(maxAppleMusicPlayDates);
        appleMusicPlayDates_.clear();
        for (const auto& [id, date] : std::as_const(pairs))
            appleMusicPlayDates_.insert(id, date);
        Q_EMIT appleMusicPlayDatesChanged();
    }
    writeStoredBytes(appleMusicKey, encodePlayDates(appleMusicPlayDates_));
}

QByteArray PlayHistoryStore::encodeEntries(const QList<Entry>& entries) {
    QJsonArray array;
    for (const Entry& entry : entries) {
        QJsonObject object;
        object.insert(QStringLiteral("id"), entry.id);
        object.insert(QStringLiteral("title"), entry.title);
        object.insert(QStringLiteral("artistNames"), entry.artistNames);
        if (entry.coverURLString)
            object.insert(QStringLiteral("coverURLString"), *entry.coverURLString);
        object.insert(QStringLiteral("rawGenres"), QJsonArray::fromStringList(entry.rawGenres));
        object.insert(QStringLiteral("spotifyURI"), entry.spotifyURI);
        object.insert(QStringLiteral("playedAt"), StoredJson::fromDate(entry.playedAt));
        object.insert(QStringLiteral("trackCount"), entry.trackCount);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<PlayHistoryStore::Entry>>
PlayHistoryStore::decodeEntries(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<Entry> entries;
    const QJsonArray array = document.array();
    entries.reserve(array.size());
    // One damaged entry costs only itself; a list none of whose entries
    // reads counts as unreadable, so another copy can stand in for it.
    for (const QJsonValue& value : array) {
        if (auto entry = decodeEntry(value))
            entries.append(std::move(*entry));
    }
    if (entries.isEmpty() && !array.isEmpty())
        return std::nullopt;
    return entries;
}

QByteArray PlayHistoryStore::encodePlayDates(const QHash<QString, QDateTime>& dates) {
    QJsonObject object;
    for (auto it = dates.cbegin(); it != dates.cend(); ++it)
        object.insert(it.key(), StoredJson::fromDate(it.value()));
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<QHash<QString, QDateTime>> PlayHistoryStore::decodePlayDates(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    QHash<QString, QDateTime> dates;
    const QJsonObject object = document.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const auto date = StoredJson::toDate(it.value());
        if (!date)
            return std::nullopt;
        dates.insert(it.key(), *date);
    }
    return dates;
}
