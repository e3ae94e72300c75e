# The speaker sheet and Settings over a real MPD, shairport-sync speakers and
# a real Secret Service; the Spotify device picker over the stand-in.
find_package(Qt6 REQUIRED COMPONENTS DBus)
korvid_add_test(picker_tests
  SOURCES PickerScreensTest.cpp IconNamesTest.cpp AppModels.h
          ../musicapp/MpdTestServer.cpp ../spotify/SpotifyStandIn.cpp
  LIBS korvid_ui ${KORVID_HTTPLIB} Qt6::DBus
  LABELS ui mpd airplay1 keychain
  TIMEOUT 120)
