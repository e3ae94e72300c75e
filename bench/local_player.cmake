# A change of output to sound at the new one, with a real mpd and
# shairport-sync: it borrows the test fixtures, so it needs the test tree.
if(TARGET korvid_test_support)
  korvid_add_benchmark(local_player_bench SOURCES LocalPlayerBench.cpp
    ${PROJECT_SOURCE_DIR}/tests/musicapp/MpdTestServer.cpp
    LIBS korvid_test_support)
  target_include_directories(local_player_bench PRIVATE
    ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/tests/musicapp)
endif()
