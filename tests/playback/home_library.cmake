# Home, Library and their album lists, over a real library index made from
# an ffmpeg-made folder and the Spotify stand-in.
find_library(KORVID_HTTPLIB cpp-httplib REQUIRED)
korvid_add_test(home_library_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/AlbumListModelTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/CoordinatorFixture.h
          ${CMAKE_CURRENT_LIST_DIR}/HomeLibraryTest.cpp
          ${PROJECT_SOURCE_DIR}/tests/musicapp/TestMusicFolder.cpp
          ${PROJECT_SOURCE_DIR}/tests/spotify/SpotifyStandIn.cpp
  LIBS ${KORVID_HTTPLIB}
  LABELS playback home-library
  TIMEOUT 180)
target_include_directories(home_library_tests PRIVATE
  ${PROJECT_SOURCE_DIR}/tests/musicapp ${PROJECT_SOURCE_DIR}/tests/spotify)
