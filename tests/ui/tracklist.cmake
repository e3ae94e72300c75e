# The main window over a local album, a real MPD and shairport-sync speakers
# (and the Spotify stand-in): the Now Playing sheet's track list, and
# speakers put together as a group.
korvid_add_test(track_list_tests
  SOURCES TrackListScreenTest.cpp SpeakerGroupScreenTest.cpp LocalWindowFixture.h AppModels.h
          ../musicapp/MpdTestServer.cpp ../spotify/SpotifyStandIn.cpp
  LIBS korvid_ui ${KORVID_HTTPLIB}
  LABELS ui mpd airplay1
  TIMEOUT 120)
