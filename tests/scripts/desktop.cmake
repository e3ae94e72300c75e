# The desktop entry, icons, AppStream file and the Debian package.
if(KORVID_BUILD_APP)
  set(check ${CMAKE_CURRENT_LIST_DIR}/check_desktop_files.sh)
  add_test(NAME DesktopEntryAndAppStreamValidate
    COMMAND bash ${check} entries ${PROJECT_SOURCE_DIR} ${KORVID_METAINFO})
  add_test(NAME InstallPlacesDesktopFiles COMMAND bash ${check} install ${PROJECT_BINARY_DIR})
  add_test(NAME DebianPackageDependsAndLints COMMAND bash ${check} package ${PROJECT_BINARY_DIR})
  set_tests_properties(DesktopEntryAndAppStreamValidate InstallPlacesDesktopFiles
    DebianPackageDependsAndLints PROPERTIES LABELS package TIMEOUT 300)
endif()
