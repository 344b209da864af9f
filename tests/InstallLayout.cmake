# Installs the build folder BUILD_DIR into a fresh PREFIX and fails unless
# every path in EXPECTED (a ;-list relative to PREFIX) is there.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DEXPECTED=... -P InstallLayout.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(path IN LISTS EXPECTED)
  if(NOT EXISTS "${PREFIX}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(GLOB_RECURSE installed RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT installed)
message(STATUS "installed: ${installed}")
