# The Debian package: `cpack` in a build folder makes korvid_VERSION_ARCH.deb.
# Its dependencies are the shared libraries dpkg-shlibdeps finds in the
# binary, plus the Qt plugins and QML modules it loads at run time, which
# scripts/packages.txt lists in its "run" group for scripts/run.
file(STRINGS ${PROJECT_SOURCE_DIR}/scripts/packages.txt run_packages REGEX "^run ")
set(loaded_packages "")
foreach(line ${run_packages})
  string(REGEX REPLACE "^run +" "" package "${line}")
  if(package MATCHES "^(qml6-module-|qt6-|libqt6)")
    list(APPEND loaded_packages ${package})
  endif()
endforeach()
list(JOIN loaded_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

# The music player, speaker discovery, the keychain and the browser for the
# sign-in are services Korvid uses when they are there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mpd, avahi-daemon, gnome-keyring, xdg-utils")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvid)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KORVID_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "album player for Spotify and your music folder")
set(CPACK_PACKAGE_DESCRIPTION "Korvid browses the albums you saved on Spotify and the ones in your own
music folder, each on their own or mixed by when you last played them, and
plays whole albums on the speaker you choose: Spotify Connect devices, any
output of this computer through MPD, or legacy AirPlay 1 speakers.")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KORVID_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
