#pragma once

// The models main() makes after the sign-in and the local library, over the
// parts a test made: what the whole main window needs.
#include "model/AlbumFilterSettings.h"
#include "model/MemorySynchronizedStore.h"
#include "model/MusicSourceSettings.h"
#include "model/PlayHistoryStore.h"
#include "musicapp/AppleMusicLibrary.h"
#include "playback/HomeViewModel.h"
#include "playback/LibraryViewModel.h"
#include "playback/PlaybackViewModel.h"
#include "spotify/SpotifyAPI.h"
#include "support/FakeAudioInputSystem.h"
#include "ui/UiComposition.h"

struct AppModels {
    AppModels(SpotifyAPI& api, AppleMusicLibrary& appleMusic, MusicSourceSettings& sources,
              AlbumFilterSettings& filters, Clock& clock)
        : sources(sources)
        , filters(filters)
        , appleMusic(appleMusic)
        , clock(clock)
        , history(&synced, &clock)
        , home(appleMusic, sources, filters, history)
        , library(api, appleMusic, sources, filters)
        , playback(api, appleMusic, sources, history, clock,
                   std::make_unique<FakeAudioInputSystem>()) {}

    UiModels ui(SpotifyAuthManager& auth, SpotifySignIn& signIn) {
        return {&sources, &filters, &auth,    &signIn,   &appleMusic,
                nullptr,  &home,    &library, &playback, &clock};
    }

    MusicSourceSettings& sources;
    AlbumFilterSettings& filters;
    AppleMusicLibrary& appleMusic;
    Clock& clock;
    MemorySynchronizedStore synced;
    PlayHistoryStore history;
    HomeViewModel home;
    LibraryViewModel library;
    PlaybackViewModel playback;
};
