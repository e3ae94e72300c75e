#pragma once

// The real coordinator over the local player on a private MPD. Only local
// music is chosen, so Spotify is never asked (and could not be reached).
#include "musicapp/LocalPlayerFixture.h"

#include "model/MemorySynchronizedStore.h"
#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "platform/Keychain.h"
#include "playback/PlaybackViewModel.h"
#include "spotify/SpotifyAPI.h"
#include "spotify/SpotifyAuthManager.h"
#include "support/FakeAudioInputSystem.h"

#include <QNetworkAccessManager>

class LocalCoordinatorTest : public LocalPlayerTest {
protected:
    LocalCoordinatorTest() { sources.setCurrent(MusicSource::appleMusic); }

    // Over the sound server this process reaches when `input` is null.
    std::unique_ptr<PlaybackViewModel> makeCoordinator(
        AppleMusicLibrary& library,
        std::unique_ptr<AudioInputSystem> input = std::make_unique<FakeAudioInputSystem>()) {
        return std::make_unique<PlaybackViewModel>(api, library, sources, history, clock,
                                                   std::move(input));
    }

    // Plays `album` (the library's first when absent) from track `index` at
    // `seconds` on `output`, as a click does, and waits for the commands.
    void playOn(AppleMusicLibrary& library, PlaybackViewModel& playback,
                const SpeakerOutput& output, int index = 0, double seconds = 0,
                std::optional<UnifiedAlbum> album = std::nullopt) {
        library.select(output);
        finish(library);
        runTask(playback.play(album ? *album : library.albums().first().unified(), index, seconds));
        finish(library);
    }

    MusicSourceSettings sources;
    MemorySynchronizedStore synced;
    PlayHistoryStore history{&synced, &clock};
    QNetworkAccessManager network;
    MemoryKeychain keychain;
    SpotifyAuthManager auth{network, keychain, clock, QUrl("http://127.0.0.1:1/accounts")};
    SpotifyAPI api{auth, network, QUrl("http://127.0.0.1:1/v1")};
};
