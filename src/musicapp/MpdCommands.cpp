#include "musicapp/MpdCommands.h"

#include "musicapp/TrackIdentity.h"

#include <algorithm>
#include <array>
#include <utility>

namespace MpdCommands {

namespace {

// Plugins that reach this computer's own speakers or sound server.
constexpr std::array localSoundPlugins{"pulse", "pipewire", "alsa",   "oss",    "jack",
                                       "sndio", "ao",       "openal", "osx",    "sles",
                                       "haiku", "wasapi",   "winmm",  "solaris"};

constexpr std::array<std::pair<const char*, const char*>, 8> readablePluginNames{{
    {"null", "Silent output"},
    {"pipe", "Pipe"},
    {"fifo", "FIFO"},
    {"httpd", "HTTP stream"},
    {"shout", "Icecast stream"},
    {"recorder", "Recorder"},
    {"snapcast", "Snapcast"},
    {"roar", "RoarAudio"},
}};

const MpdOutput* outputNamed(const QList<MpdOutput>& outputs, const QString& name) {
    for (const MpdOutput& output : outputs) {
        if (output.name == name) {
            return &output;
        }
    }
    return nullptr;
}

MpdFailure noOutputNamed(const QString& name) {
    return MpdFailure(MpdFailure::Kind::refused,
                      QStringLiteral("There is no output named \u201C%1\u201D.").arg(name));
}

// Where playback starts: the first track MPD has at or after the requested
// one, counted in the caller's list; a start outside that list (or past the
// last track found) starts at the first track.
unsigned startPosition(const QList<int>& keptIndexes, int requested, int requestedCount) {
    if (requested < 0 || requested >= requestedCount) {
        return 0;
    }
    for (int position = 0; position < keptIndexes.size(); ++position) {
        if (keptIndexes[position] >= requested) {
            return static_cast<unsigned>(position);
        }
    }
    return 0;
}

} // namespace

QString outputKind(const QString& plugin) {
    const QByteArray key = plugin.toUtf8();
    for (const char* local : localSoundPlugins) {
        if (key == local) {
            return QStringLiteral("computer");
        }
    }
    for (const auto& [name, readable] : readablePluginNames) {
        if (key == name) {
            return QString::fromUtf8(readable);
        }
    }
    return plugin.isEmpty() ? QStringLiteral("Other output") : plugin;
}

int clampVolume(int volume) {
    return std::clamp(volume, 0, 100);
}

bool isSendableUri(const QString& uri) {
    return !uri.isEmpty() && !uri.contains(QLatin1Char('\n')) && !uri.contains(QLatin1Char('\r')) &&
           !uri.contains(QChar(0));
}

MusicPlayerStatus readStatus(MpdClient& client) {
    MusicPlayerStatus result;
    const MpdStatus status = client.status();
    const int volume = status.volume < 0 ? 0 : clampVolume(status.volume);
    for (const MpdOutput& output : client.outputs()) {
        // MPD cannot tell whether a sink is reachable before it opens it, so
        // every configured output is offered.
        result.devices.append(
            {output.name, outputKind(output.plugin), true, output.enabled, volume});
    }
    result.isPlaying = status.state == MpdPlayState::playing;
    result.volume = volume;
    if (status.state == MpdPlayState::stopped) {
        return result;
    }
    // MPD does not remember which stored playlist filled its queue: the queue
    // is ours when it holds exactly the files of "Korvid", in order.
    const std::optional<QStringList> stored = client.storedPlaylist(playlistName);
    result.isPlayingQueue = stored && !stored->isEmpty() &&
                            static_cast<unsigned>(stored->size()) == status.queueLength &&
                            client.queueUris() == *stored;
    if (result.isPlayingQueue) {
        result.trackIndex = std::max(0, status.songPosition);
    }
    if (const std::optional<QString> uri = client.currentSongUri(); uri && !uri->isEmpty()) {
        result.currentTrackID = TrackIdentity::hexTrackID(TrackIdentity::trackPersistentID(*uri));
    }
    result.positionSeconds = std::max(0.0, status.elapsedSeconds);
    return result;
}

void playQueue(MpdClient& client, const QueueRequest& request, const std::function<void()>& pause) {
    client.deleteStoredPlaylist(playlistName);
    QList<int> keptIndexes;
    for (int index = 0; index < request.files.size(); ++index) {
        const QString& file = request.files[index];
        if (isSendableUri(file) && client.appendToStoredPlaylist(playlistName, file)) {
            keptIndexes.append(index);
        }
    }
    client.setPlainOrder();
    if (request.deviceName) {
        selectOutput(client, *request.deviceName);
    }
    // Checked before the queue is touched, so a failed start leaves whatever
    // the user had queued.
    if (keptIndexes.isEmpty()) {
        throw MpdFailure(MpdFailure::Kind::refused, noTracksFoundMessage);
    }
    client.replaceQueueWith(playlistName);
    client.playPosition(
        startPosition(keptIndexes, request.startIndex, static_cast<int>(request.files.size())));
    if (request.startSeconds <= 0) {
        return;
    }
    for (int poll = 0; poll < 30; ++poll) {
        if (client.status().state == MpdPlayState::playing) {
            break;
        }
        pause();
    }
    try {
        client.seekCurrent(request.startSeconds);
    } catch (const MpdFailure& failure) {
        // A track shorter than the position, or a player that never started:
        // it plays from the beginning.
        if (failure.kind() == MpdFailure::Kind::connection) {
            throw;
        }
    }
}

void selectOutput(MpdClient& client, const QString& name) {
    const QList<MpdOutput> outputs = client.outputs();
    const MpdOutput* chosen = outputNamed(outputs, name);
    if (!chosen) {
        throw noOutputNamed(name);
    }
    // Enabled first, so sound never stops for want of an output.
    if (!chosen->enabled) {
        client.setOutputEnabled(chosen->id, true);
    }
    for (const MpdOutput& output : outputs) {
        if (output.id != chosen->id && output.enabled) {
            client.setOutputEnabled(output.id, false);
        }
    }
}

void setDeviceVolume(MpdClient& client, int volume, const QString& name) {
    if (!outputNamed(client.outputs(), name)) {
        throw noOutputNamed(name);
    }
    client.setVolume(static_cast<unsigned>(clampVolume(volume)));
}

} // namespace MpdCommands
