# Several real shairport-sync receivers playing one album in step.
korvid_add_test(airplay1_group_tests
  SOURCES AirPlay1GroupTest.cpp ReceivedSound.h
  LABELS airplay1
  TIMEOUT 180
  TSAN)
