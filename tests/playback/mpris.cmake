# The desktop's media controls: their rules, then Korvid on a private session
# bus steered by busctl, dbus-monitor and playerctl over a private MPD.
korvid_add_test(mpris_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/MprisTest.cpp
    ${PROJECT_SOURCE_DIR}/tests/musicapp/LocalPlayerFixture.h
    ${PROJECT_SOURCE_DIR}/tests/musicapp/MpdTestServer.h
    ${PROJECT_SOURCE_DIR}/tests/musicapp/MpdTestServer.cpp
  LABELS playback mpd dbus
  TIMEOUT 120)
