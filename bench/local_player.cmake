# With a real mpd and shairport-sync: a change of output to sound at the new
# one, and the scrubber's error against the heard position over a minute.
# They borrow the test fixtures, so they need the test tree.
if(TARGET korvid_test_support)
  foreach(bench local_player:LocalPlayerBench scrubber_error:ScrubberErrorBench)
    string(REPLACE ":" ";" parts ${bench})
    list(GET parts 0 name)
    list(GET parts 1 source)
    korvid_add_benchmark(${name}_bench SOURCES ${source}.cpp
      ${PROJECT_SOURCE_DIR}/tests/musicapp/MpdTestServer.cpp
      LIBS korvid_test_support)
    target_include_directories(${name}_bench PRIVATE
      ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/tests/musicapp)
  endforeach()
endif()
