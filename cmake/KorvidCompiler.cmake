# Compiler cache, warnings and sanitizers shared by every target.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()

# KORVID_SANITIZE: empty, "address;undefined" or "thread".
set(KORVID_SANITIZE "" CACHE STRING "Sanitizers to build with")
if(KORVID_SANITIZE)
  list(JOIN KORVID_SANITIZE "," _korvid_sanitizers)
  add_compile_options(-fsanitize=${_korvid_sanitizers} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${_korvid_sanitizers})
  if("undefined" IN_LIST KORVID_SANITIZE)
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()

# Warnings for the project's own targets.
function(korvid_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
endfunction()

# KORVID_COVERAGE: clang's source-based coverage, for scripts/coverage.
option(KORVID_COVERAGE "Instrument for clang's source-based coverage (clang only)" OFF)
if(KORVID_COVERAGE)
  add_compile_options(-fprofile-instr-generate -fcoverage-mapping)
  add_link_options(-fprofile-instr-generate)
endif()
