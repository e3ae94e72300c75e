korvid_add_test(platform_tests
  SOURCES ClockTest.cpp ChildProcessTest.cpp FetchPolicyTest.cpp SaturatingMathTest.cpp
          SettingsWriterTest.cpp CacheFolderTest.cpp
  LABELS platform
  TSAN)
