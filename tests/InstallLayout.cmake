# Installs the build folder BUILD_DIR, stripped, into a fresh PREFIX and
# fails unless every path in EXPECTED (a ;-list relative to PREFIX) is
# there and every program in PROGRAMS (relative to PREFIX) carries neither
# the build's debug information nor an RPATH (READELF reads them).
#   cmake -DBUILD_DIR=... -DPREFIX=... -DEXPECTED=... -DPROGRAMS=... -DREADELF=... -P InstallLayout.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}" --strip
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install --strip failed: ${status}")
endif()
foreach(path IN LISTS EXPECTED PROGRAMS)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
foreach(program IN LISTS PROGRAMS)
  execute_process(COMMAND "${READELF}" --section-headers --dynamic "${PREFIX}/${program}"
    OUTPUT_VARIABLE headers RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${READELF} cannot read ${program}")
  endif()
  if(headers MATCHES "\\.debug_")
    message(FATAL_ERROR "${program} still carries debug information")
  endif()
  if(headers MATCHES "\\((RPATH|RUNPATH)\\)")
    message(FATAL_ERROR "${program} carries an RPATH")
  endif()
endforeach()
file(GLOB_RECURSE installed RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
message(STATUS "installed: ${installed}")
