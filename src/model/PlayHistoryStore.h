#pragma once

#include "model/UnifiedAlbum.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

class Clock;
class SynchronizedKeyValueStore;

// Remembers which albums the user started. Spotify albums are kept as whole
// records (newest first, one per album) in the preferences and in the
// synchronised store; local albums only as a play date per album id.
class PlayHistoryStore : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QString id;
        QString title;
        QString artistNames;
        std::optional<QString> coverURLString;
        QStringList rawGenres;
        QString spotifyURI;
        QDateTime playedAt;
        qint64 trackCount = 0;

        bool operator==(const Entry&) const = default;
    };

    static constexpr int maxEntries = 250;
    static constexpr int maxAppleMusicPlayDates = 250;

    // Loads both histories. The synchronised store is held weakly and must
    // live on this thread.
    explicit PlayHistoryStore(SynchronizedKeyValueStore* store, const Clock* clock = nullptr,
                              QObject* parent = nullptr);

    const QList<Entry>& entries() const { return entries_; }
    const QHash<QString, QDateTime>& appleMusicPlayDates() const { return appleMusicPlayDates_; }

    void recordPlay(const UnifiedAlbum& album);
    // The Spotify history as albums, newest first.
    QList<UnifiedAlbum> recentAlbums() const;

    // The stored forms. Decoding entries keeps every entry that reads and
    // drops the others; it yields nothing for a document that is no list, or
    // a list of which no entry reads.
    static QByteArray encodeEntries(const QList<Entry>& entries);
    static std::optional<QList<Entry>> decodeEntries(const QByteArray& json);
    static QByteArray encodePlayDates(const QHash<QString, QDateTime>& dates);
    static std::optional<QHash<QString, QDateTime>> decodePlayDates(const QByteArray& json);

Q_SIGNALS:
    void entriesChanged();
    void appleMusicPlayDatesChanged();

private:
    void loadSpotifyHistory();
    void loadAppleMusicPlayDates();
    void saveSpotifyHistory();
    void saveAppleMusicPlayDates();
    QDateTime now() const;

    QPointer<SynchronizedKeyValueStore> store_;
    const Clock* clock_;
    QList<Entry> entries_;
    QHash<QString, QDateTime> appleMusicPlayDates_;
};
