# Speaker discovery, the RTSP control channel and track decoding, against
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

korvid_add_test(airplay1_decoder_test
  SOURCES TrackDecoderTest.cpp
  LABELS airplay1
  TIMEOUT 120
  TSAN)
