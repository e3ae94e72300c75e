# The audio threads' scheduling plan, and the real-time scheduling an
# ordinary user's threads get through RealtimeKit (the probe runs as that
# user, in a process of its own).
add_executable(thread_priority_probe ThreadPriorityProbe.cpp)
korvid_warnings(thread_priority_probe)
target_link_libraries(thread_priority_probe PRIVATE korvid_core)

korvid_add_test(airplay1_thread_tests
  SOURCES ThreadPriorityTest.cpp
  LABELS airplay1
  TSAN)
add_dependencies(airplay1_thread_tests thread_priority_probe)
target_compile_definitions(airplay1_thread_tests PRIVATE
  KORVID_THREAD_PROBE="$<TARGET_FILE:thread_priority_probe>")
# The test plays RealtimeKit's part on a bus of its own.
pkg_check_modules(KORVID_TEST_DBUS REQUIRED IMPORTED_TARGET dbus-1)
target_link_libraries(airplay1_thread_tests PRIVATE PkgConfig::KORVID_TEST_DBUS)
