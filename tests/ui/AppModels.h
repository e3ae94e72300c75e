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

// Spotify's answer while "Song" by Ann, of album "abc", plays on the Den at 1:01 of 3:20.
inline const char* const kPlayingOnDen =
    R"({"is_playing":true,"progress_ms":61000,"item":{"name":"Song",)"
    R"("duration_ms":200000,"artists":[{"id":"a","name":"Ann"}],)"
    R"("album":{"id":"abc","name":"Album","uri":"spotify:album:abc",)"
    R"("images":[],"artists":[]}},"device":{"id":"d2","is_active":true,)"
    R"("name":"Den","type":"Speaker","volume_percent":30}})";

struct AppModels {
    AppModels(SpotifyAPI& api, AppleMusicLibrary& appleMusic, MusicSourceSettings& sources,
              AlbumFilterSettings& filters, Clock& clock)
        : api(api)
        , sources(sources)
        , filters(filters)
        , appleMusic(appleMusic)
        , clock(clock)
        , history(&synced, &clock)
        , home(appleMusic, sources, filters, history, records)
        , library(api, appleMusic, sources, filters, records)
        , playback(api, appleMusic, sources, history, clock,
                   std::make_unique<FakeAudioInputSystem>()) {}

    UiModels ui(SpotifyAuthManager& auth, SpotifySignIn& signIn) {
        return {&sources, &filters, &auth,     &signIn, &appleMusic, nullptr,
                &home,    &library, &playback, &clock,  &api};
    }

    SpotifyAPI& api;
    MusicSourceSettings& sources;
    AlbumFilterSettings& filters;
    AppleMusicLibrary& appleMusic;
    Clock& clock;
    MemorySynchronizedStore synced;
    PlayHistoryStore history;
    // Home and Library share one, as in main().
    std::shared_ptr<AlbumRecordCache> records = std::make_shared<AlbumRecordCache>();
    HomeViewModel home;
    LibraryViewModel library;
    PlaybackViewModel playback;
};
