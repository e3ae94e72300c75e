find_library(KORVID_HTTPLIB cpp-httplib REQUIRED)

korvid_add_test(ui_tests
  SOURCES MainWindowTest.cpp DisplayPreferencesTest.cpp CoverImagesTest.cpp AlbumGridTest.cpp
          PlaybackScreensTest.cpp AlbumPagesTest.cpp TrayPanelTest.cpp
          AppModels.h ../musicapp/MpdTestServer.cpp ../musicapp/TestMusicFolder.cpp
          ../spotify/SpotifyStandIn.cpp
  LIBS korvid_ui ${KORVID_HTTPLIB}
  LABELS ui)
