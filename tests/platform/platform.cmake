korvid_add_test(platform_tests
  SOURCES ClockTest.cpp FetchPolicyTest.cpp SaturatingMathTest.cpp
          SettingsWriterTest.cpp CacheFolderTest.cpp
  LABELS platform
  TSAN)
