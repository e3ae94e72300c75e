# The AirPlay 1 stream in real time: CPU per minute of audio, first packet
# after play, send schedule, and a real receiver's statistics.
korvid_add_benchmark(airplay1_stream_bench SOURCES AirPlay1StreamBench.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/AnsweringSpeaker.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/LoopbackUdp.cpp)
target_include_directories(airplay1_stream_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
# The receiver benchmark borrows the test fixtures for avahi-daemon and
# shairport-sync when GoogleTest is there to build them.
find_package(GTest QUIET)
if(GTest_FOUND)
  target_sources(airplay1_stream_bench PRIVATE
    ${PROJECT_SOURCE_DIR}/tests/support/ExternalDaemon.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/LocalAvahi.cpp
    ${PROJECT_SOURCE_DIR}/tests/support/ShairportSpeaker.cpp)
  target_compile_definitions(airplay1_stream_bench PRIVATE KORVID_BENCH_WITH_RECEIVER)
  target_link_libraries(airplay1_stream_bench PRIVATE GTest::gtest)
endif()
