# The speaker list: output identity, symbols and the merge-and-order rule.
korvid_add_test(speaker_list_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SpeakerListTest.cpp
  LABELS playback)
