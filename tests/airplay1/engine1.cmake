# Speaker discovery, the RTSP control channel and the decoding queue, against
# a private avahi-daemon, shairport-sync and ffmpeg-made tracks.
korvid_add_test(airplay1_discovery_test
  SOURCES SpeakerDiscoveryTest.cpp
  LABELS airplay1
  TIMEOUT 120
  TSAN)

korvid_add_test(airplay1_rtsp_test
  SOURCES RTSPClientTest.cpp
  LABELS airplay1
  TIMEOUT 120
  TSAN)

korvid_add_test(airplay1_queue_test
  SOURCES TrackQueueTest.cpp
  LABELS airplay1
  TIMEOUT 120
  TSAN)
