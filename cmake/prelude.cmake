# Building in the source tree would scatter generated files among the sources.
if(CMAKE_SOURCE_DIR STREQUAL CMAKE_BINARY_DIR)
  message(FATAL_ERROR
    "In-source builds are not supported. Use a build folder, e.g.\n"
    "  cmake -S . -B build\n"
    "and remove CMakeCache.txt and CMakeFiles/ from the source tree.")
endif()
