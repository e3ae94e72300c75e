# A scan that the kill test interrupts; it runs as its own process.
add_executable(library_scan_child LibraryScanChild.cpp)
korvid_warnings(library_scan_child)
target_link_libraries(library_scan_child PRIVATE korvid_core)

korvid_add_test(library_tests
  SOURCES LibraryTest.cpp TestMusicFolder.cpp TestMusicFolder.h
  LABELS musicapp library
  TIMEOUT 120)
add_dependencies(library_tests library_scan_child)
target_compile_definitions(library_tests PRIVATE
  LIBRARY_SCAN_CHILD="$<TARGET_FILE:library_scan_child>")
