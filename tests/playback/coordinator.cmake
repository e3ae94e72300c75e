# The playback coordinator: its rules over the Spotify stand-in and a narrow
# local player, then whole journeys over MPD, shairport-sync and pulseaudio.
find_library(KORVID_HTTPLIB cpp-httplib REQUIRED)
korvid_add_test(playback_coordinator_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PlaybackCoordinatorTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CoordinatorFixture.h
    ${PROJECT_SOURCE_DIR}/tests/spotify/SpotifyStandIn.cpp
  LIBS ${KORVID_HTTPLIB}
  LABELS playback spotify)
