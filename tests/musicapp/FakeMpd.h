#pragma once

#include "musicapp/MpdClient.h"

#include <QMap>
#include <QSet>

#include <functional>

#include <pthread.h>

// MPD's state in memory, for the logic that turns player operations into
// commands. Every call is logged by name; `failOn` makes one command fail.
struct FakeMpdState {
    QSet<QString> database;
    QList<MpdOutput> outputList;
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
};

// A connection to the state it holds; one made from another's state works on
// that state instead, as a second connection to the same player.
class FakeMpd final : public MpdClient, public FakeMpdState {
public:
    FakeMpd() = default;
    FakeMpd(const FakeMpd& other)
        : MpdClient()
        , FakeMpdState(other) {}
    explicit FakeMpd(FakeMpdState& shared)
        : s(shared) {}

    QList<MpdOutput> outputs() override {
        note("outputs");
        return s.outputList;
    }
    MpdStatus status() override {
        note("status");
        if (!s.unscanned.isEmpty() && --s.pollsUntilScanned == 0) {
            s.database += s.unscanned;
            s.unscanned.clear();
        }
        MpdStatus status = s.state;
        status.isUpdatingDatabase = !s.unscanned.isEmpty();
        status.queueLength = static_cast<unsigned>(s.queue.size());
        return status;
    }
    std::optional<QString> currentSongUri() override {
        note("currentsong");
        return s.current;
    }
    QStringList queueUris() override {
        note("playlistinfo");
        return s.queue;
    }
    std::optional<QStringList> storedPlaylist(const QString& name) override {
        note("listplaylist");
        if (!s.storedPlaylistsOn || !s.playlists.contains(name)) {
            return std::nullopt;
        }
        return s.playlists.value(name);
    }
    void deleteStoredPlaylist(const QString& name) override {
        note("rm");
        refuseWithoutStoredPlaylists();
        s.playlists.remove(name);
    }
    bool appendToStoredPlaylist(const QString& name, const QString& uri) override {
        note("playlistadd");
        refuseWithoutStoredPlaylists();
        if (!s.database.contains(uri)) {
            return false;
        }
        s.playlists[name].append(uri);
        return true;
    }
    void replaceQueueWith(const QString& playlist) override {
        note("load");
        refuseWithoutStoredPlaylists();
        s.queue = s.playlists.value(playlist);
    }
    bool storedPlaylistsEnabled() override {
        note("listplaylists");
        return s.storedPlaylistsOn;
    }
    bool appendToQueue(const QString& uri) override {
        note("add");
        if (!s.database.contains(uri)) {
            return false;
        }
        s.queue.append(uri);
        return true;
    }
    void deleteFromQueue(unsigned start, unsigned end) override {
        note("delete");
        s.queue.remove(start, end - start);
    }
    void setPlainOrder() override {
        note("modes");
        s.randomRepeatSingleConsume = false;
    }
    void setOutputEnabled(unsigned id, bool enabled) override {
        note(enabled ? "enableoutput" : "disableoutput");
        for (MpdOutput& output : s.outputList) {
            if (output.id == id) {
                output.enabled = enabled;
            }
        }
    }
    void playPosition(unsigned position) override {
        note("play");
        s.state.songPosition = static_cast<int>(position);
        s.current = s.queue.value(static_cast<int>(position));
        s.state.state = MpdPlayState::playing;
    }
    void playPositionFrom(unsigned position, double seconds) override {
        note("seek");
        s.state.songPosition = static_cast<int>(position);
        s.current = s.queue.value(static_cast<int>(position));
        s.state.state = MpdPlayState::playing;
        s.seekedTo = seconds;
        s.state.elapsedSeconds = seconds;
    }
    void play() override {
        note("play");
        s.state.state = MpdPlayState::playing;
    }
    void pause() override {
        note("pause");
        s.state.state = MpdPlayState::paused;
    }
    void next() override { note("next"); }
    void seekCurrent(double seconds) override {
        note("seekcur");
        s.seekedTo = seconds;
        s.state.elapsedSeconds = seconds;
    }
    void setVolume(unsigned volume) override {
        note("setvol");
        s.state.volume = static_cast<int>(volume);
    }
    std::optional<QString> musicDirectory() override {
        note("config");
        return std::nullopt;
    }

private:
    void refuseWithoutStoredPlaylists() const {
        if (!s.storedPlaylistsOn) {
            throw MpdFailure(MpdFailure::Kind::refused,
                             QStringLiteral("Stored playlists are disabled"));
        }
    }
    void note(const char* command) {
        s.log.append(QString::fromLatin1(command));
        if (s.failOn == QLatin1String(command)) {
            throw MpdFailure(s.failureKind, QStringLiteral("fake refusal of ") + s.failOn);
        }
    }

    FakeMpdState& s = *this;
};

// Hands out connections to one FakeMpd (which outlives them), or fails to
// connect as told.
class FakeMpdConnector final : public MpdConnector {
public:
    explicit FakeMpdConnector(FakeMpd* mpd)
        : mpd_(mpd) {}

    std::optional<MpdFailure> refuseWith;
    QSet<QString> threadNames;

    std::unique_ptr<MpdClient> connect(const MpdAddress&) override {
        char name[16] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        threadNames.insert(QString::fromLatin1(name));
        if (refuseWith) {
            throw *refuseWith;
        }
        return std::make_unique<FakeMpd>(static_cast<FakeMpdState&>(*mpd_));
    }

private:
    FakeMpd* mpd_;
};
