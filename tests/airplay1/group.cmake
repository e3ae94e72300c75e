# Several real shairport-sync receivers playing one album in step, and
# compressed ALAC as a receiver plays it.
korvid_add_test(airplay1_group_tests
  SOURCES AirPlay1GroupTest.cpp AlacCompressionTest.cpp ReceivedSound.h
  LABELS airplay1
  TIMEOUT 180
  TSAN)
