korvid_add_test(airplay1_packet_tests
  SOURCES AirPlay1PacketsTest.cpp
  LABELS airplay1
  TSAN)

korvid_add_test(airplay1_stream_tests
  SOURCES AirPlay1StreamTest.cpp
  LABELS airplay1
  TSAN)

# Against a real shairport-sync found through the private avahi-daemon.
korvid_add_test(airplay1_player_tests
  SOURCES AirPlay1PlayerTest.cpp ReceivedSound.h
  LABELS airplay1
  TIMEOUT 120
  TSAN)
