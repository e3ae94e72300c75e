# The library's scans, its albums and how soon added music reaches Home.
set(library_bench_sources LibraryBench.cpp)
if(NOT TARGET korvid_test_support)
  list(APPEND library_bench_sources ${PROJECT_SOURCE_DIR}/tests/support/TestHome.cpp)
endif()
korvid_add_benchmark(library_bench SOURCES ${library_bench_sources})
