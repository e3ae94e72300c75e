korvid_add_test(microphone_tests
  SOURCES MicrophoneMonitorTest.cpp MicrophonePulseAudioTest.cpp
  LABELS musicapp microphone
  TIMEOUT 60)
