// Keeping the listening session stored while something plays, and offering
// it again at the next start.
#include "playback/PlaybackViewModel.h"

#include "model/MusicSourceSettings.h"
#include "musicapp/LocalPlayback.h"
#include "platform/Clock.h"
#include "platform/KorvidError.h"
#include "spotify/SpotifyAPI.h"

using namespace std::chrono_literals;

void PlaybackViewModel::saveAppleMusicSession(const UnifiedAlbum& album, int trackIndex,
                                              double seconds) {
    ListeningSession session;
    session.device = appleMusic_.sessionDevice();
    session.albumID = album.id;
    session.albumTitle = album.title;
    session.artistNames = album.artistNames;
    session.trackIndex = trackIndex;
    session.positionSeconds = seconds;
    session.updatedAt = now();
    sessions_.save(session);
}

QCoro::Task<> PlaybackViewModel::recordListeningSession() {
    if (!isPlaying_) {
        co_return; // a paused session keeps its last record
    }
    if (activeSource_ == PlaybackSource::spotify) {
        const std::optional<CurrentlyPlayingResponse>& state = latestSpotifyState_;
        if (!state || !state->isPlaying || !state->item || !state->device) {
            co_return;
        }
        const SpotifyAlbum& album = state->item->album;
        ListeningSession session;
        session.device = ListeningSession::Device::SpotifyConnect{
            state->device->id, state->device->name, state->device->type};
        session.albumID = QStringLiteral("spotify-") + album.id;
        session.albumTitle = album.name;
        session.artistNames = album.artistNames();
        session.coverURL = album.coverURL();
        session.spotifyURI = album.uri;
        session.positionSeconds = double(state->progressMs.value_or(0)) / 1000.0;
        session.updatedAt = now();
        sessions_.save(session);
        co_return;
    }
    if (activeSource_ == PlaybackSource::appleMusic && appleMusicAlbum_) {
        const UnifiedAlbum album = *appleMusicAlbum_;
        const std::optional<PlayerPlace> place = co_await appleMusic_.currentPosition();
        if (!place) {
            co_return;
        }
        ListeningSession session;
        session.device = appleMusic_.sessionDevice(); // after the wait: the output may have moved
        session.albumID = album.id;
        session.albumTitle = album.title;
        session.artistNames = album.artistNames;
        session.trackIndex = place->index;
        session.positionSeconds = place->seconds;
        session.updatedAt = now();
        sessions_.save(session);
    }
}

QCoro::Task<std::optional<UnifiedAlbum>> PlaybackViewModel::appleMusicAlbum(QString id) {
    // Awaited on a line of its own: with the await inside the if condition,
    // g++ 12 never freed this coroutine's frame.
    const bool authorized = co_await appleMusic_.requestAuthorizationIfNeeded();
    if (!authorized) {
        co_return std::nullopt;
    }
    co_return appleMusic_.unifiedAlbum(id);
}

QCoro::Task<std::optional<ResumeOffer>> PlaybackViewModel::makeResumeOffer() {
    if (didCheckForResume_) {
        co_return std::nullopt;
    }
    didCheckForResume_ = true;
    const std::optional<ListeningSession> session = sessions_.previousLaunch();
    if (!session) {
        co_return std::nullopt;
    }

    if (const auto* spotify = session->device.as<ListeningSession::Device::SpotifyConnect>()) {
        if (!MusicSources::includesSpotify(sourceSettings_.current())) {
            co_return std::nullopt;
        }
        QList<SpotifyDevice> fetched;
        try {
            fetched = co_await api_.devices();
        } catch (const KorvidError&) {
            co_return std::nullopt;
        }
        setDevices(fetched);
        const auto active = std::find_if(fetched.cbegin(), fetched.cend(),
                                         [](const SpotifyDevice& d) { return d.isActive; });
        if (active != fetched.cend() && active->id == spotify->id) {
            co_return std::nullopt; // Spotify already plays there
        }
        const bool listed =
            std::any_of(fetched.cbegin(), fetched.cend(),
                        [&](const SpotifyDevice& d) { return d.id == spotify->id; });
        if (!listed || isPlaying_) {
            co_return std::nullopt;
        }
        co_return ResumeOffer{QUuid::createUuid(), *session, std::nullopt,
                              AlbumArtwork::remote(session->coverURL), std::nullopt};
    }

    // A local album, on a music-player output, a legacy speaker or this
    // computer: offered when its output is not the one selected now.
    const std::optional<UnifiedAlbum> album = co_await appleMusicAlbum(session->albumID);
    if (!album) {
        co_return std::nullopt;
    }
    const std::optional<SpeakerOutput> target =
        co_await appleMusic_.availableOutput(session->device);
    const std::optional<SpeakerOutput>& selected = appleMusic_.output();
    const bool same =
        target.has_value() == selected.has_value() && (!target || target->id() == selected->id());
    if (same || isPlaying_) {
        co_return std::nullopt;
    }
    co_return ResumeOffer{QUuid::createUuid(), *session, album, album->artwork, target};
}

QCoro::Task<> PlaybackViewModel::resume(ResumeOffer offer) {
    const ListeningSession& session = offer.session;
    if (const auto* spotify = session.device.as<ListeningSession::Device::SpotifyConnect>()) {
        const QString device = spotify->id;
        setSelectedDeviceID(device);
        setActiveSource(PlaybackSource::spotify);
        appleMusic_.pause();
        std::optional<QString> failure;
        try {
            co_await api_.transferPlayback(device, true);
        } catch (const KorvidError& error) {
            failure = error.description();
        }
        if (!failure) {
            co_await clock_.sleep(1s); // give Spotify a moment to start there
            co_await refreshNowPlaying();
        } else if (session.spotifyURI) {
            // The album starts again from its beginning on the chosen device.
            co_await playOnSpotify(*session.spotifyURI);
        } else {
            setErrorMessage(failure);
        }
        co_return;
    }
    if (!offer.album) {
        co_return;
    }
    if (session.device.as<ListeningSession::Device::Local>()) {
        co_await appleMusic_.selectThisMac();
    } else if (offer.target) {
        appleMusic_.select(*offer.target);
    } else {
        co_return; // its output is not reachable now
    }
    co_await play(*offer.album, resumeTrackIndex(session), session.positionSeconds);
}
