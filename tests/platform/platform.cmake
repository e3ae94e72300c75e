korvid_add_test(platform_tests
  SOURCES ClockTest.cpp
  LABELS platform)
