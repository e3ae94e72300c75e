#pragma once

// The coordinator over the Spotify stand-in, a narrow local player that
// records its commands, a silent fake microphone and the fake clock.
#include "model/ListeningSessionStore.h"
#include "model/MemorySynchronizedStore.h"
#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "musicapp/LocalPlayback.h"
#include "playback/PlaybackViewModel.h"
#include "spotify/SpotifyFixture.h"
#include "support/FakeAudioInputSystem.h"
#include "support/QtPrinting.h"

#include <QHash>
#include <QStringList>

class FakeLocalPlayback final : public LocalPlayback {
public:
    bool isPlaying() const override { return playing; }
    double outputVolumePercent() const override { return volume; }
    const std::optional<SpeakerOutput>& output() const override { return selected; }
    ListeningSession::Device sessionDevice() const override { return device; }
    void setOnPlaybackStateChanged(std::function<void()> callback) override {
        stateChanged = std::move(callback);
    }
    void setOnError(std::function<void(const QString&)>) override {}
    void play(const AppleMusicPlaybackHandle& handle, int index, double seconds) override {
        calls
            << QStringLiteral("play %1 %2 %3").arg(handle.tracks().size()).arg(index).arg(seconds);
        playing = true;
    }
    void pause() override {
        calls << QStringLiteral("pause");
        playing = false;
    }
    void togglePlayPause() override {
        calls << QStringLiteral("toggle");
        playing = !playing;
    }
    void skipToNext() override { calls << QStringLiteral("next"); }
    void skipToPrevious() override { calls << QStringLiteral("previous"); }
    bool seek(double seconds) override {
        calls << QStringLiteral("seek %1").arg(seconds);
        return track.has_value();
    }
    std::optional<LocalNowPlaying> nowPlaying() const override { return track; }
    QList<LocalTrack> albumTracks(const QString&) const override { return {}; }
    void select(const SpeakerOutput& output) override {
        calls << QStringLiteral("select ") + output.id();
        selected = output;
    }
    void setOutputVolume(double percent) override {
        calls << QStringLiteral("volume %1").arg(percent);
        volume = percent;
    }
    QCoro::Task<> refreshStatus() override { co_return; }
    QCoro::Task<std::optional<LocalTakeOver>> takeOverOngoingPlayback() override {
        co_return std::nullopt;
    }
    QCoro::Task<std::optional<PlayerPlace>> currentPosition() override { co_return position; }
    QCoro::Task<bool> requestAuthorizationIfNeeded() override { co_return true; }
    std::optional<UnifiedAlbum> unifiedAlbum(const QString& id) const override {
        const auto found = albums.constFind(id);
        return found == albums.cend() ? std::nullopt : std::optional(*found);
    }
    QCoro::Task<std::optional<SpeakerOutput>>
    availableOutput(ListeningSession::Device wanted) override {
        co_return wanted == reachableDevice ? reachable : std::nullopt;
    }
    QCoro::Task<> selectThisMac() override {
        calls << QStringLiteral("selectThisMac");
        selected = SpeakerOutput::music(QStringLiteral("Speakers"), QStringLiteral("computer"));
        co_return;
    }

    // The player changed on its own, as after a command it ran.
    void report(bool nowPlaying, double percent) {
        playing = nowPlaying;
        volume = percent;
        if (stateChanged) {
            stateChanged();
        }
    }

    QStringList calls;
    bool playing = false;
    double volume = 50;
    std::optional<SpeakerOutput> selected;
    ListeningSession::Device device = ListeningSession::Device::AirPlay{QStringLiteral("Den")};
    std::optional<PlayerPlace> position;
    std::optional<LocalNowPlaying> track;
    QHash<QString, UnifiedAlbum> albums;
    ListeningSession::Device reachableDevice;
    std::optional<SpeakerOutput> reachable;
    std::function<void()> stateChanged;
};

inline UnifiedAlbum localAlbum(const QString& id = QStringLiteral("apple-7"), int tracks = 3) {
    UnifiedAlbum album;
    album.id = id;
    album.title = QStringLiteral("Local ") + id;
    album.artistNames = QStringLiteral("Band");
    QList<AppleMusicPlaybackHandle::Track> songs;
    for (int i = 0; i < tracks; ++i) {
        songs.append({QStringLiteral("%1").arg(i + 1, 16, 10, QLatin1Char('0')), {}});
    }
    album.playback = UnifiedAlbum::Playback::appleMusic(songs);
    return album;
}

inline UnifiedAlbum spotifyAlbum(const QString& id = QStringLiteral("abc")) {
    UnifiedAlbum album;
    album.id = QStringLiteral("spotify-") + id;
    album.title = QStringLiteral("Remote ") + id;
    album.playback = UnifiedAlbum::Playback::spotify(QStringLiteral("spotify:album:") + id);
    return album;
}

// Spotify's answer for a playing (or paused) track of album `albumID`.
inline std::string playerState(bool playing, const std::string& albumID = "abc",
                               const std::string& device = "d1", int progressMs = 1000,
                               int durationMs = 200000) {
    return R"({"is_playing":)" + std::string(playing ? "true" : "false") + R"(,"progress_ms":)" +
           std::to_string(progressMs) + R"(,"item":{"name":"Song","duration_ms":)" +
           std::to_string(durationMs) +
           R"(,"artists":[{"id":"a1","name":"Ann"},{"id":"a2","name":"Bo"}],"album":{"id":")" +
           albumID + R"(","name":"Album )" + albumID + R"(","uri":"spotify:album:)" + albumID +
           R"(","images":[{"url":"https://i.scdn.co/image/)" + albumID +
           R"("}],"artists":[{"id":"a1","name":"Ann"}]}},"device":{"id":")" + device +
           R"(","is_active":true,"name":"Kitchen","type":"Speaker","volume_percent":30}})";
}

inline std::string devicesJson(const std::vector<std::pair<std::string, bool>>& devices) {
    std::string json = R"({"devices":[)";
    for (const auto& [id, active] : devices) {
        json += (json.back() == '[' ? "" : ",") + std::string(R"({"id":")") + id +
                R"(","is_active":)" + (active ? "true" : "false") + R"(,"name":")" + id +
                R"(","type":"Speaker"})";
    }
    return json + "]}";
}

inline const QString kNoActiveDevice =
    QStringLiteral("No active Spotify device. Open Spotify on a speaker or device first.");

class CoordinatorFixture : public SpotifyFixture {
protected:
    CoordinatorFixture() {
        signIn();
        sources.setCurrent(MusicSource::both);
        for (const char* path : {"/v1/me/player/play", "/v1/me/player", "/v1/me/player/pause",
                                 "/v1/me/player/volume", "/v1/me/player/seek"}) {
            standIn.onJson("PUT", path, 204, "");
        }
        standIn.onJson("POST", "/v1/me/player/next", 204, "");
        standIn.onJson("POST", "/v1/me/player/previous", 204, "");
        standIn.onJson("GET", "/v1/me/player", 204, "");
        standIn.onJson("GET", "/v1/me/player/devices", 200, devicesJson({{"d1", false}}));
    }

    // Made on first use, so a test can first store what "the last run" left.
    PlaybackViewModel& coordinator() {
        if (!coordinator_) {
            coordinator_ = std::make_unique<PlaybackViewModel>(
                *api, local, sources, history, clock, std::make_unique<FakeAudioInputSystem>());
        }
        return *coordinator_;
    }

    // A local album playing, as after the user started it.
    void playLocal(const UnifiedAlbum& album = localAlbum()) {
        runTask(coordinator().play(album, 0, 0));
        local.calls.clear();
    }

    // Spotify reports `state` (as playerState gives it), and the coordinator reads it.
    void spotifyReports(const std::string& state) {
        standIn.onJson("GET", "/v1/me/player", 200, state);
        runTask(coordinator().refreshNowPlaying());
    }

    // The query of the last request to `path`.
    std::string lastQuery(const std::string& path) const {
        const auto requests = standIn.requestsTo(path);
        return requests.empty() ? std::string() : requests.back().query();
    }

    size_t requestCount(const std::string& method, const std::string& path) const {
        size_t count = 0;
        for (const auto& request : standIn.requestsTo(path)) {
            count += request.method == method;
        }
        return count;
    }

    // The session the next start would find.
    std::optional<ListeningSession> storedSession() {
        home.restartSettings();
        return ListeningSessionStore().previousLaunch();
    }

    // A session as the previous run stored it; read by the next coordinator.
    void storeSession(const ListeningSession& session) {
        ListeningSessionStore().save(session);
        home.restartSettings();
    }

    FakeLocalPlayback local;
    MusicSourceSettings sources;
    MemorySynchronizedStore synced;
    PlayHistoryStore history{&synced, &clock};
    std::unique_ptr<PlaybackViewModel> coordinator_;
};
