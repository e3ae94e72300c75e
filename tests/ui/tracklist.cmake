# The Now Playing sheet's track list over a real MPD, a shairport-sync
# speaker and the Spotify stand-in.
korvid_add_test(track_list_tests
  SOURCES TrackListScreenTest.cpp AppModels.h
          ../musicapp/MpdTestServer.cpp ../spotify/SpotifyStandIn.cpp
  LIBS korvid_ui ${KORVID_HTTPLIB}
  LABELS ui mpd airplay1
  TIMEOUT 120)
