# The music player controller: pure command logic over a fake MPD, and the
# controller against a private mpd (and pulseaudio) per test.
korvid_add_test(musicapp_controller_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FakeMpd.h
    ${CMAKE_CURRENT_LIST_DIR}/MpdCommandsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MpdTestServer.h
    ${CMAKE_CURRENT_LIST_DIR}/MpdTestServer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MusicAppControllerMpdTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MpdLaunchAndBadInputTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MpdOwnDaemonTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SoundSinkKindsTest.cpp
  LABELS musicapp mpd
  TIMEOUT 90)
