korvid_add_test(model_tests
  SOURCES SettingsTest.cpp ChangelogTest.cpp GenreTest.cpp
  LABELS model)
