# The main window over 5,000 albums: start to first frame, frame times while
# the Library grid scrolls, and the memory resident after it.
if(TARGET korvid_ui)
  set(window_bench_sources WindowBench.cpp)
  if(NOT TARGET korvid_test_support)
    list(APPEND window_bench_sources ${PROJECT_SOURCE_DIR}/tests/support/TestHome.cpp)
  endif()
  korvid_add_benchmark(window_bench
    SOURCES ${window_bench_sources}
    LIBS korvid_ui Qt6::Widgets)
endif()
