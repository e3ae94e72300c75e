#pragma once

#include "musicapp/MpdClient.h"

#include <QMap>
#include <QSet>

// MPD's state in memory, for the logic that turns player operations into
// commands. Every call is logged by name; `failOn` makes one command fail.
class FakeMpd final : public MpdClient {
public:
    QSet<QString> database;
    QMap<QString, QStringList> playlists;
    QStringList queue;
    MpdStatus state;
    std::optional<QString> current;
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

    QList<MpdOutput> outputs() override {
        note("outputs");
        return {};
    }
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
    std::optional<QString> currentSongUri() override {
        note("currentsong");
        return current;
    }
    QStringList queueUris() override {
        note("playlistinfo");
        return queue;
    }
    std::optional<QStringList> storedPlaylist(const QString& name) override {
        note("listplaylist");
        if (!storedPlaylistsOn || !playlists.contains(name)) {
            return std::nullopt;
        }
        return playlists.value(name);
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
    void setOutputEnabled(unsigned, bool enabled) override {
        note(enabled ? "enableoutput" : "disableoutput");
    }
    void playPosition(unsigned position) override {
        note("play");
        state.songPosition = static_cast<int>(position);
        current = queue.value(static_cast<int>(position));
        state.state = MpdPlayState::playing;
    }
    void playPositionFrom(unsigned position, double seconds) override {
        note("seek");
        state.songPosition = static_cast<int>(position);
        current = queue.value(static_cast<int>(position));
        state.state = MpdPlayState::playing;
        seekedTo = seconds;
        state.elapsedSeconds = seconds;
    }
    void play() override {
        note("play");
        state.state = MpdPlayState::playing;
    }
    void pause() override {
        note("pause");
        state.state = MpdPlayState::paused;
    }
    void next() override { note("next"); }
    void seekCurrent(double seconds) override {
        note("seekcur");
        seekedTo = seconds;
        state.elapsedSeconds = seconds;
    }
    void setVolume(unsigned volume) override {
        note("setvol");
        state.volume = static_cast<int>(volume);
    }
    std::optional<QString> musicDirectory() override {
        note("config");
        return std::nullopt;
    }

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
