# Home and Library loads of 5,000 albums, and a search keystroke over them.
find_library(KORVID_HTTPLIB cpp-httplib REQUIRED)
set(home_library_bench_sources HomeLibraryBench.cpp
    ${PROJECT_SOURCE_DIR}/tests/spotify/SpotifyStandIn.cpp)
if(NOT TARGET korvid_test_support)
  list(APPEND home_library_bench_sources ${PROJECT_SOURCE_DIR}/tests/support/TestHome.cpp)
endif()
korvid_add_benchmark(home_library_bench
  SOURCES ${home_library_bench_sources}
  LIBS ${KORVID_HTTPLIB})
target_include_directories(home_library_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/spotify)
