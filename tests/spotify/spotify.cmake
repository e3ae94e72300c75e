# The stand-in for Spotify's servers is built on cpp-httplib (Debian ships it
# as a shared library beside the header).
find_library(KORVID_HTTPLIB cpp-httplib REQUIRED)

korvid_add_test(spotify_tests
  SOURCES SpotifyStandIn.cpp SpotifyStandIn.h SpotifyFixture.h
          SpotifyRecordsTest.cpp SpotifyAuthTest.cpp SpotifyAPITest.cpp
  LIBS ${KORVID_HTTPLIB}
  LABELS spotify)

# The token item without a Secret Service, and over a bus whose service never answers.
find_package(Qt6 REQUIRED COMPONENTS DBus)
korvid_add_test(spotify_keychain_tests
  SOURCES SecretServiceKeychainTest.cpp
  LIBS Qt6::DBus
  LABELS spotify keychain
  TIMEOUT 90)

# The sign-in presenter and its hand-off. The round trip through the browser
# and the desktop needs the korvid executable as the process the desktop
# starts for the redirect.
set(view_sources SignInHandoffTest.cpp SpotifyStandIn.cpp)
if(TARGET korvid)
  list(APPEND view_sources SignInRoundTripTest.cpp)
endif()
korvid_add_test(spotify_view_tests
  SOURCES ${view_sources}
  LIBS korvid_ui ${KORVID_HTTPLIB}
  LABELS spotify ui)

# The second process of the single-instance hand-off.
add_executable(korvid_handoff_peer HandoffPeer.cpp)
target_link_libraries(korvid_handoff_peer PRIVATE korvid_core)
add_dependencies(spotify_view_tests korvid_handoff_peer)
target_compile_definitions(spotify_view_tests PRIVATE
  KORVID_HANDOFF_PEER="$<TARGET_FILE:korvid_handoff_peer>")
if(TARGET korvid)
  add_dependencies(spotify_view_tests korvid)
  target_compile_definitions(spotify_view_tests PRIVATE
    KORVID_APP="$<TARGET_FILE:korvid>" KORVID_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
