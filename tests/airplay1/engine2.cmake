korvid_add_test(airplay1_packet_tests
  SOURCES AirPlay1PacketsTest.cpp
  LABELS airplay1)

korvid_add_test(airplay1_stream_tests
  SOURCES AirPlay1StreamTest.cpp
  LABELS airplay1
  TSAN)
