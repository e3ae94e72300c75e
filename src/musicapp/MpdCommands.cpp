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

bool isLocalSound(const QString& plugin) {
    const QByteArray key = plugin.toUtf8();
    return std::any_of(localSoundPlugins.begin(), localSoundPlugins.end(),
                       [&](const char* local) { return key == local; });
}

// The kind of an output that is not the computer, by its plugin.
QString pluginKind(const QString& plugin) {
    if (isLocalSound(plugin)) {
        return QStringLiteral("Speakers");
    }
    const QByteArray key = plugin.toUtf8();
    for (const auto& [name, readable] : readablePluginNames) {
        if (key == name) {
            return QString::fromUtf8(readable);
        }
    }
    return plugin.isEmpty() ? QStringLiteral("Other output") : plugin;
}

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

// How long a play waits for MPD's scan to reach the album: 100 pauses, 10 s
// at the controller's pace.
constexpr int scanWaitPolls = 100;

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

QStringList outputKinds(const QList<MpdOutput>& outputs, const QMap<QString, QString>& known) {
    const QString computer = QStringLiteral("computer");
    qsizetype computerIndex = -1;
    for (qsizetype i = 0; i < outputs.size() && computerIndex < 0; ++i) {
        if (known.value(outputs[i].name) == computer) {
            computerIndex = i;
        }
    }
    // Otherwise the first local-sound output; one that Korvid knows as
    // something else only when there is no other.
    for (const bool knownAsOther : {false, true}) {
        for (qsizetype i = 0; i < outputs.size() && computerIndex < 0; ++i) {
            if (isLocalSound(outputs[i].plugin) &&
                known.contains(outputs[i].name) == knownAsOther) {
                computerIndex = i;
            }
        }
    }
    QStringList kinds;
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        const QString knownKind = known.value(outputs[i].name);
        if (i == computerIndex) {
            kinds.append(computer);
        } else if (!knownKind.isEmpty() && knownKind != computer) {
            kinds.append(knownKind);
        } else {
            kinds.append(pluginKind(outputs[i].plugin));
        }
    }
    return kinds;
}

int clampVolume(int volume) {
    return std::clamp(volume, 0, 100);
}

bool isSendableUri(const QString& uri) {
    return !uri.isEmpty() && !uri.contains(QLatin1Char('\n')) && !uri.contains(QLatin1Char('\r')) &&
           !uri.contains(QChar(0));
}

MusicPlayerStatus readStatus(MpdClient& client, const StatusHints& hints) {
    MusicPlayerStatus result;
    const MpdStatus status = client.status();
    const int volume = status.volume < 0 ? 0 : clampVolume(status.volume);
    const QList<MpdOutput> outputs = client.outputs();
    const QStringList kinds = outputKinds(outputs, hints.outputKinds);
    for (qsizetype i = 0; i < outputs.size(); ++i) {
        // MPD cannot tell whether a sink is reachable before it opens it, so
        // every configured output is offered.
        result.devices.append({outputs[i].name, kinds[i], true, outputs[i].enabled, volume});
    }
    result.isPlaying = status.state == MpdPlayState::playing;
    result.volume = volume;
    if (status.state == MpdPlayState::stopped) {
        return result;
    }
    // MPD does not remember which stored playlist filled its queue: the queue
    // is ours when it holds exactly the files of "Korvid", in order (or, with
    // no such playlist, the files Korvid queued last).
    const QStringList ours = client.storedPlaylist(playlistName).value_or(hints.lastQueue);
    result.isPlayingQueue = !ours.isEmpty() &&
                            static_cast<unsigned>(ours.size()) == status.queueLength &&
                            client.queueUris() == ours;
    if (result.isPlayingQueue) {
        result.trackIndex = std::max(0, status.songPosition);
    }
    if (const std::optional<QString> uri = client.currentSongUri(); uri && !uri->isEmpty()) {
        result.currentTrackID = TrackIdentity::hexTrackID(TrackIdentity::trackPersistentID(*uri));
    }
    result.positionSeconds = std::max(0.0, status.elapsedSeconds);
    result.durationSeconds = std::max(0.0, status.durationSeconds);
    return result;
}

QStringList playQueue(MpdClient& client, const QueueRequest& request,
                      const std::function<void()>& pause) {
    const bool stored = client.storedPlaylistsEnabled();
    const auto sendable = std::count_if(request.files.begin(), request.files.end(), isSendableUri);
    // Without stored playlists the tracks go after whatever is queued, and
    // what was there before goes only once at least one track is in.
    unsigned previousLength = 0;
    QList<int> keptIndexes;
    QStringList queued;
    for (int attempt = 0;; ++attempt) {
        // MPD knows a file only once its scan has reached the file's folder:
        // on a first start the album may still be ahead of it. A fill made
        // while the scan runs is tried again until it is complete.
        const MpdStatus status = client.status();
        if (attempt == 0) {
            previousLength = stored ? 0 : status.queueLength;
        }
        const bool scanning = attempt < scanWaitPolls && status.isUpdatingDatabase;
        if (stored) {
            client.deleteStoredPlaylist(playlistName);
        } else if (!queued.isEmpty()) {
            client.deleteFromQueue(previousLength,
                                   previousLength + static_cast<unsigned>(queued.size()));
        }
        keptIndexes.clear();
        queued.clear();
        for (int index = 0; index < request.files.size(); ++index) {
            const QString& file = request.files[index];
            if (isSendableUri(file) && (stored ? client.appendToStoredPlaylist(playlistName, file)
                                               : client.appendToQueue(file))) {
                keptIndexes.append(index);
                queued.append(file);
            }
        }
        if (queued.size() == sendable || !scanning) {
            break;
        }
        pause();
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
    if (stored) {
        client.replaceQueueWith(playlistName);
    } else if (previousLength > 0) {
        client.deleteFromQueue(0, previousLength);
    }
    const auto position = static_cast<unsigned>(
        startPosition(keptIndexes, request.startIndex, static_cast<int>(request.files.size())));
    if (request.startSeconds <= 0) {
        client.playPosition(position);
        return queued;
    }
    // Started at the place in one step: a seek sent after play can reach MPD
    // before its decoder is ready, and MPD then refuses it.
    try {
        client.playPositionFrom(position, request.startSeconds);
    } catch (const MpdFailure& failure) {
        if (failure.kind() == MpdFailure::Kind::connection) {
            throw;
        }
        client.playPosition(position); // from the beginning, rather than not at all
    }
    return queued;
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
