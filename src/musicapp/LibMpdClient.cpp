#include "musicapp/LibMpdClient.h"

#include <mpd/client.h>

#include <cstring>

namespace {

QString fromUtf8(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

MpdFailure::Kind kindOfServerError(enum mpd_server_error error) {
    switch (error) {
    case MPD_SERVER_ERROR_PASSWORD:
    case MPD_SERVER_ERROR_PERMISSION:
        return MpdFailure::Kind::notPermitted;
    case MPD_SERVER_ERROR_NO_EXIST:
        return MpdFailure::Kind::noSuchItem;
    default:
        return MpdFailure::Kind::refused;
    }
}

// The failure the connection holds now. A refusal (ACK) leaves the connection
// usable, so it is cleared; anything else has broken it for good.
MpdFailure takeFailure(mpd_connection* connection) {
    const enum mpd_error error = mpd_connection_get_error(connection);
    if (error == MPD_ERROR_SUCCESS) {
        return MpdFailure(MpdFailure::Kind::connection, QStringLiteral("unknown error"));
    }
    QString message = fromUtf8(mpd_connection_get_error_message(connection));
    if (message.isEmpty()) {
        message = QStringLiteral("unknown error");
    }
    if (error == MPD_ERROR_SERVER) {
        const auto kind = kindOfServerError(mpd_connection_get_server_error(connection));
        mpd_connection_clear_error(connection);
        return MpdFailure(kind, message);
    }
    return MpdFailure(MpdFailure::Kind::connection, message);
}

// Written here rather than by the library so the decimal point never follows
// the user's locale.
QByteArray secondsText(double seconds) {
    return QByteArray::number(seconds, 'f', 2);
}

class LibMpdClient final : public MpdClient {
public:
    explicit LibMpdClient(mpd_connection* connection)
        : connection_(connection) {}
    ~LibMpdClient() override { mpd_connection_free(connection_); }
    LibMpdClient(const LibMpdClient&) = delete;
    LibMpdClient& operator=(const LibMpdClient&) = delete;

    QList<MpdOutput> outputs() override {
        check(mpd_send_outputs(connection_));
        QList<MpdOutput> result;
        while (mpd_output* output = mpd_recv_output(connection_)) {
            result.append({mpd_output_get_id(output), fromUtf8(mpd_output_get_name(output)),
                           fromUtf8(mpd_output_get_plugin(output)),
                           mpd_output_get_enabled(output)});
            mpd_output_free(output);
        }
        finish();
        return result;
    }

    MpdStatus status() override {
        mpd_status* raw = mpd_run_status(connection_);
        if (!raw) {
            throw takeFailure(connection_);
        }
        MpdStatus status;
        switch (mpd_status_get_state(raw)) {
        case MPD_STATE_PLAY:
            status.state = MpdPlayState::playing;
            break;
        case MPD_STATE_PAUSE:
            status.state = MpdPlayState::paused;
            break;
        default:
            status.state = MpdPlayState::stopped;
            break;
        }
        status.volume = mpd_status_get_volume(raw);
        status.songPosition = mpd_status_get_song_pos(raw);
        status.elapsedSeconds = mpd_status_get_elapsed_ms(raw) / 1000.0;
        status.durationSeconds = mpd_status_get_total_time(raw);
        status.queueLength = mpd_status_get_queue_length(raw);
        status.isUpdatingDatabase = mpd_status_get_update_id(raw) != 0;
        mpd_status_free(raw);
        return status;
    }

    std::optional<QString> currentSongUri() override {
        mpd_song* song = mpd_run_current_song(connection_);
        if (!song) {
            if (mpd_connection_get_error(connection_) != MPD_ERROR_SUCCESS) {
                throw takeFailure(connection_);
            }
            return std::nullopt;
        }
        QString uri = fromUtf8(mpd_song_get_uri(song));
        mpd_song_free(song);
        return uri;
    }

    QStringList queueUris() override {
        check(mpd_send_list_queue_meta(connection_));
        QStringList uris;
        while (mpd_song* song = mpd_recv_song(connection_)) {
            uris.append(fromUtf8(mpd_song_get_uri(song)));
            mpd_song_free(song);
        }
        finish();
        return uris;
    }

    std::optional<QStringList> storedPlaylist(const QString& name) override {
        check(mpd_send_list_playlist(connection_, name.toUtf8().constData()));
        QStringList uris;
        while (mpd_pair* pair = mpd_recv_pair_named(connection_, "file")) {
            uris.append(fromUtf8(pair->value));
            mpd_return_pair(connection_, pair);
        }
        if (!mpd_response_finish(connection_)) {
            const MpdFailure failure = takeFailure(connection_);
            if (failure.kind() == MpdFailure::Kind::noSuchItem) {
                return std::nullopt;
            }
            throw failure;
        }
        return uris;
    }

    void deleteStoredPlaylist(const QString& name) override {
        if (!mpd_run_rm(connection_, name.toUtf8().constData())) {
            const MpdFailure failure = takeFailure(connection_);
            if (failure.kind() != MpdFailure::Kind::noSuchItem) {
                throw failure;
            }
        }
    }

    bool appendToStoredPlaylist(const QString& name, const QString& uri) override {
        return knownUnlessNoSuchItem(
            mpd_run_playlist_add(connection_, name.toUtf8().constData(), uri.toUtf8().constData()));
    }

    bool storedPlaylistsEnabled() override {
        check(mpd_send_list_playlists(connection_));
        while (mpd_playlist* playlist = mpd_recv_playlist(connection_)) {
            mpd_playlist_free(playlist);
        }
        if (mpd_response_finish(connection_)) {
            return true;
        }
        const MpdFailure failure = takeFailure(connection_);
        if (failure.kind() == MpdFailure::Kind::connection ||
            failure.kind() == MpdFailure::Kind::notPermitted) {
            throw failure;
        }
        return false;
    }

    bool appendToQueue(const QString& uri) override {
        return knownUnlessNoSuchItem(mpd_run_add(connection_, uri.toUtf8().constData()));
    }

    void deleteFromQueue(unsigned start, unsigned end) override {
        check(mpd_run_delete_range(connection_, start, end));
    }

    void replaceQueueWith(const QString& playlist) override {
        check(mpd_command_list_begin(connection_, false));
        check(mpd_send_clear(connection_));
        check(mpd_send_load(connection_, playlist.toUtf8().constData()));
        check(mpd_command_list_end(connection_));
        finish();
    }

    void setPlainOrder() override {
        check(mpd_command_list_begin(connection_, false));
        check(mpd_send_random(connection_, false));
        check(mpd_send_repeat(connection_, false));
        check(mpd_send_single(connection_, false));
        check(mpd_send_consume(connection_, false));
        check(mpd_command_list_end(connection_));
        finish();
    }

    void setOutputEnabled(unsigned id, bool enabled) override {
        check(enabled ? mpd_run_enable_output(connection_, id)
                      : mpd_run_disable_output(connection_, id));
    }

    void playPosition(unsigned position) override {
        check(mpd_run_play_pos(connection_, position));
    }
    void play() override { check(mpd_run_play(connection_)); }
    void pause() override { check(mpd_run_pause(connection_, true)); }
    void next() override { check(mpd_run_next(connection_)); }

    void playPositionFrom(unsigned position, double seconds) override {
        const QByteArray song = QByteArray::number(position);
        const QByteArray text = secondsText(seconds);
        check(mpd_send_command(connection_, "seek", song.constData(), text.constData(), nullptr));
        finish();
    }

    void seekCurrent(double seconds) override {
        const QByteArray text = secondsText(seconds);
        check(mpd_send_command(connection_, "seekcur", text.constData(), nullptr));
        finish();
    }

    void setVolume(unsigned volume) override { check(mpd_run_set_volume(connection_, volume)); }

    std::optional<QString> musicDirectory() override {
        check(mpd_send_command(connection_, "config", nullptr));
        std::optional<QString> folder;
        while (mpd_pair* pair = mpd_recv_pair(connection_)) {
            if (std::strcmp(pair->name, "music_directory") == 0) {
                folder = fromUtf8(pair->value);
            }
            mpd_return_pair(connection_, pair);
        }
        if (!mpd_response_finish(connection_)) {
            const MpdFailure failure = takeFailure(connection_);
            if (failure.kind() == MpdFailure::Kind::connection) {
                throw failure;
            }
            return std::nullopt;
        }
        return folder;
    }

private:
    void check(bool ok) {
        if (!ok) {
            throw takeFailure(connection_);
        }
    }
    void finish() { check(mpd_response_finish(connection_)); }
    // The outcome of adding a file: MPD's "no such file" means false.
    bool knownUnlessNoSuchItem(bool ok) {
        if (ok) {
            return true;
        }
        const MpdFailure failure = takeFailure(connection_);
        if (failure.kind() == MpdFailure::Kind::noSuchItem) {
            return false;
        }
        throw failure;
    }

    mpd_connection* connection_;
};

} // namespace

std::unique_ptr<MpdClient> LibMpdConnector::connect(const MpdAddress& address) {
    const QByteArray host = address.host.toUtf8();
    mpd_connection* connection =
        mpd_connection_new(address.host.isEmpty() ? nullptr : host.constData(), address.port,
                           static_cast<unsigned>(timeout_.count()));
    if (!connection) {
        throw MpdFailure(MpdFailure::Kind::connection, QStringLiteral("out of memory"));
    }
    if (mpd_connection_get_error(connection) != MPD_ERROR_SUCCESS) {
        MpdFailure failure = takeFailure(connection);
        mpd_connection_free(connection);
        throw failure;
    }
    return std::make_unique<LibMpdClient>(connection);
}
