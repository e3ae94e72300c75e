# The playback coordinator: its rules over the Spotify stand-in and a narrow
# local player, then whole journeys over MPD, shairport-sync and pulseaudio.
find_library(KORVID_HTTPLIB cpp-httplib REQUIRED)
korvid_add_test(playback_coordinator_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PlaybackCoordinatorTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ListeningSessionsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CoordinatorFixture.h
    ${PROJECT_SOURCE_DIR}/tests/spotify/SpotifyStandIn.cpp
  LIBS ${KORVID_HTTPLIB}
  LABELS playback spotify)

add_executable(korvid_session_save_burst ${CMAKE_CURRENT_LIST_DIR}/SessionSaveBurst.cpp)
target_link_libraries(korvid_session_save_burst PRIVATE korvid_core)
add_dependencies(playback_coordinator_tests korvid_session_save_burst)
target_compile_definitions(playback_coordinator_tests PRIVATE
  KORVID_SESSION_SAVE_BURST="$<TARGET_FILE:korvid_session_save_burst>")

korvid_add_test(playback_journey_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PlaybackJourneyTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LocalCoordinatorFixture.h
    ${PROJECT_SOURCE_DIR}/tests/musicapp/LocalPlayerFixture.h
    ${PROJECT_SOURCE_DIR}/tests/musicapp/MpdTestServer.cpp
  LABELS playback musicapp mpd airplay1
  TIMEOUT 180)
