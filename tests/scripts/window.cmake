# The korvid program in a real window on an Xvfb display of the test's own.
if(TARGET korvid)
  korvid_add_test(real_window_tests
    SOURCES RealWindowTest.cpp ../musicapp/TestMusicFolder.cpp
    LABELS window
    TIMEOUT 120)
  target_compile_definitions(real_window_tests PRIVATE KORVID_BINARY="$<TARGET_FILE:korvid>"
    KORVID_SCREEN_READER="${CMAKE_CURRENT_LIST_DIR}/screen_reader.py")
  add_dependencies(real_window_tests korvid)
endif()
