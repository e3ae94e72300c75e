korvid_add_test(ui_tests
  SOURCES MainWindowTest.cpp DisplayPreferencesTest.cpp
  LIBS korvid_ui
  LABELS ui)
