# The desktop's media controls: their rules, then Korvid on a private session
# bus steered by busctl and dbus-monitor, over a private MPD and over the
# Spotify stand-in.
find_library(KORVID_HTTPLIB cpp-httplib REQUIRED)
korvid_add_test(mpris_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/MprisTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MprisSpotifyTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MprisBus.h
    ${CMAKE_CURRENT_LIST_DIR}/CoordinatorFixture.h
    ${CMAKE_CURRENT_LIST_DIR}/LocalCoordinatorFixture.h
    ${PROJECT_SOURCE_DIR}/tests/musicapp/LocalPlayerFixture.h
    ${PROJECT_SOURCE_DIR}/tests/musicapp/MpdTestServer.h
    ${PROJECT_SOURCE_DIR}/tests/musicapp/MpdTestServer.cpp
    ${PROJECT_SOURCE_DIR}/tests/spotify/SpotifyStandIn.cpp
  LIBS ${KORVID_HTTPLIB}
  LABELS playback mpd dbus
  TIMEOUT 120)
