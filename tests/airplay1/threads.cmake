# The audio threads' scheduling plan: what they ask for under each set of
# limits, and the real-time limit RealtimeKit insists on.
korvid_add_test(airplay1_thread_tests
  SOURCES ThreadPriorityTest.cpp
  LABELS airplay1)
