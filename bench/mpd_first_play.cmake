# The first play on a fresh machine: Korvid's own MPD from its start to the
# first sound of an album while its first scan runs, over a private
# pulseaudio and the music-folder helpers of the MPD tests.
korvid_add_benchmark(mpd_first_play_bench SOURCES MpdFirstPlayBench.cpp
  ${PROJECT_SOURCE_DIR}/tests/musicapp/MpdTestServer.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/ChildProcess.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/ExternalDaemon.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/PulseAudioServer.cpp)
target_include_directories(mpd_first_play_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests
  ${PROJECT_SOURCE_DIR}/tests/musicapp)
