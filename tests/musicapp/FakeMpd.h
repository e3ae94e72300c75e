#pragma once

#include "musicapp/MpdClient.h"

#include <QMap>
#include <QSet>

#include <functional>

#include <pthread.h>

// MPD's state in memory, for the logic that turns player operations into
// commands. Every call is logged by name; `failOn` makes one command fail.
class FakeMpd final : public MpdClient {
public:
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

    QList<MpdOutput> outputs() override {
        note("outputs");
        return outputList;
    }
    MpdStatus status() override {
        note("status");
        if (!unscanned.isEmpty() && --pollsUntilScanned == 0) {
            database += unscanned;
            unscanned.clear();
        }
        MpdStatus s = state;
        s.isUpdatingDatabase = !unscanned.isEmpty();
        s.queueLength = static_cast<unsigned>(queue.size());
        return s;
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
    void setOutputEnabled(unsigned id, bool enabled) override {
        note(enabled ? "enableoutput" : "disableoutput");
        for (MpdOutput& output : outputList) {
            if (output.id == id) {
                output.enabled = enabled;
            }
        }
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

// Hands out connections to one FakeMpd (which outlives them), or fails to
// connect as told.
class FakeMpdConnector final : public MpdConnector {
public:
    explicit FakeMpdConnector(FakeMpd* mpd)
        : mpd_(mpd) {}

    std::optional<MpdFailure> refuseWith;
    QList<MpdAddress> attempts;
    QSet<QString> threadNames;

    std::unique_ptr<MpdClient> connect(const MpdAddress& address) override {
        attempts.append(address);
        char name[16] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        threadNames.insert(QString::fromLatin1(name));
        if (refuseWith) {
            throw *refuseWith;
        }
        return std::make_unique<Borrowed>(mpd_);
    }

private:
    // A connection that forwards to the shared fake.
    class Borrowed final : public MpdClient {
    public:
        explicit Borrowed(FakeMpd* mpd)
            : m(mpd) {}
        QList<MpdOutput> outputs() override { return m->outputs(); }
        MpdStatus status() override { return m->status(); }
        std::optional<QString> currentSongUri() override { return m->currentSongUri(); }
        QStringList queueUris() override { return m->queueUris(); }
        std::optional<QStringList> storedPlaylist(const QString& n) override {
            return m->storedPlaylist(n);
        }
        void deleteStoredPlaylist(const QString& n) override { m->deleteStoredPlaylist(n); }
        bool appendToStoredPlaylist(const QString& n, const QString& u) override {
            return m->appendToStoredPlaylist(n, u);
        }
        void replaceQueueWith(const QString& p) override { m->replaceQueueWith(p); }
        bool storedPlaylistsEnabled() override { return m->storedPlaylistsEnabled(); }
        bool appendToQueue(const QString& u) override { return m->appendToQueue(u); }
        void deleteFromQueue(unsigned s, unsigned e) override { m->deleteFromQueue(s, e); }
        void setPlainOrder() override { m->setPlainOrder(); }
        void setOutputEnabled(unsigned id, bool e) override { m->setOutputEnabled(id, e); }
        void playPosition(unsigned p) override { m->playPosition(p); }
        void playPositionFrom(unsigned p, double s) override { m->playPositionFrom(p, s); }
        void play() override { m->play(); }
        void pause() override { m->pause(); }
        void next() override { m->next(); }
        void seekCurrent(double s) override { m->seekCurrent(s); }
        void setVolume(unsigned v) override { m->setVolume(v); }
        std::optional<QString> musicDirectory() override { return m->musicDirectory(); }

    private:
        FakeMpd* m;
    };

    FakeMpd* mpd_;
};
