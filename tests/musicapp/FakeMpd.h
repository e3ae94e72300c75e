#pragma once

#include "musicapp/MpdClient.h"

#include <QMap>
#include <QSet>

// MPD's state in memory, for the logic that turns playing a queue into
// commands. Each command is logged by name; `failOn` makes one of them fail.
class FakeMpd final : public MpdClient {
public:
    QSet<QString> database;
    QMap<QString, QStringList> playlists;
    QStringList queue;
    MpdStatus state;
    // Files a running scan adds to the database at the poll that many polls
    // on; until then status reports the scan.
    QSet<QString> unscanned;
    int pollsUntilScanned = 0;
    std::optional<double> seekedTo;
    bool randomRepeatSingleConsume = true;
    bool storedPlaylistsOn = true;
    QStringList log;
    QString failOn;
    MpdFailure::Kind failureKind = MpdFailure::Kind::refused;

    MpdStatus status() override {
        note("status");
        if (!unscanned.isEmpty() && --pollsUntilScanned == 0) {
            database += unscanned;
            unscanned.clear();
        }
        MpdStatus status = state;
        status.isUpdatingDatabase = !unscanned.isEmpty();
        status.queueLength = static_cast<unsigned>(queue.size());
        return status;
    }
    void deleteStoredPlaylist(const QString& name) override {
        note("rm");
        refuseWithoutStoredPlaylists();
        playlists.remove(name);
    }
    bool appendToStoredPlaylist(const QString& name, const QString& uri) override {
        note("playlistadd");
        refuseWithoutStoredPlaylists();
        if (!database.contains(uri)) {
            return false;
        }
        playlists[name].append(uri);
        return true;
    }
    void replaceQueueWith(const QString& playlist) override {
        note("load");
        refuseWithoutStoredPlaylists();
        queue = playlists.value(playlist);
    }
    bool storedPlaylistsEnabled() override {
        note("listplaylists");
        return storedPlaylistsOn;
    }
    bool appendToQueue(const QString& uri) override {
        note("add");
        if (!database.contains(uri)) {
            return false;
        }
        queue.append(uri);
        return true;
    }
    void deleteFromQueue(unsigned start, unsigned end) override {
        note("delete");
        queue.remove(start, end - start);
    }
    void setPlainOrder() override {
        note("modes");
        randomRepeatSingleConsume = false;
    }
    void playPosition(unsigned position) override {
        note("play");
        state.songPosition = static_cast<int>(position);
        state.state = MpdPlayState::playing;
    }
    void playPositionFrom(unsigned position, double seconds) override {
        note("seek");
        state.songPosition = static_cast<int>(position);
        state.state = MpdPlayState::playing;
        seekedTo = seconds;
        state.elapsedSeconds = seconds;
    }

    // Playing a queue without naming an output asks and sends none of these.
    QList<MpdOutput> outputs() override { return {}; }
    std::optional<QString> currentSongUri() override { return {}; }
    QStringList queueUris() override { return queue; }
    std::optional<QStringList> storedPlaylist(const QString&) override { return {}; }
    void setOutputEnabled(unsigned, bool) override {}
    void play() override {}
    void pause() override {}
    void next() override {}
    void seekCurrent(double) override {}
    void setVolume(unsigned) override {}
    std::optional<QString> musicDirectory() override { return {}; }

private:
    void refuseWithoutStoredPlaylists() const {
        if (!storedPlaylistsOn) {
            throw MpdFailure(MpdFailure::Kind::refused,
                             QStringLiteral("Stored playlists are disabled"));
        }
    }
    void note(const char* command) {
        log.append(QString::fromLatin1(command));
        if (failOn == QLatin1String(command)) {
            throw MpdFailure(failureKind, QStringLiteral("fake refusal of ") + failOn);
        }
    }
};
