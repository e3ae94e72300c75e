find_library(KORVID_HTTPLIB cpp-httplib REQUIRED)

korvid_add_test(preview_tests
  SOURCES PreviewPresenterTest.cpp ../spotify/SpotifyStandIn.cpp
  LIBS korvid_ui ${KORVID_HTTPLIB}
  LABELS ui)
