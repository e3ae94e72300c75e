# The local player: its rules on their own, and the player against a private
# mpd and shairport-sync receivers on the private avahi-daemon.
korvid_add_test(local_player_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/LocalPlayerRulesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LocalPlayerTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LocalPlayerOutputsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/LocalPlayerFixture.h
    ${CMAKE_CURRENT_LIST_DIR}/MpdTestServer.h
    ${CMAKE_CURRENT_LIST_DIR}/MpdTestServer.cpp
  LABELS musicapp mpd airplay1
  TIMEOUT 120)
