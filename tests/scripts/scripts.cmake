# scripts/run and scripts/test must install from the one package list.
add_test(NAME ScriptsShareOnePackageList
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/check_package_list.sh ${PROJECT_SOURCE_DIR})
set_tests_properties(ScriptsShareOnePackageList PROPERTIES LABELS scripts)
