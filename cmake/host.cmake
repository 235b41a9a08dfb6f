# Host build: the platform-free rules with their unit tests, and the
# build-time generators in tools/ that the Windows build runs.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Sanitizers for the host build (SOBEEP_SANITIZE=ON with clang or gcc).
option(SOBEEP_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(SOBEEP_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Fuzzing (SOBEEP_FUZZ=ON, clang): a build of its own that holds only the
# platform-free rules, instrumented for libFuzzer and the sanitizers, and the
# fuzz targets.
option(SOBEEP_FUZZ "Build the libFuzzer targets of the platform-free rules (clang)" OFF)
if(SOBEEP_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  include(cmake/core.cmake)
  add_subdirectory(tests/fuzz)
else()
  include(cmake/core.cmake)
  add_subdirectory(tests/unit)
  add_subdirectory(tools)
endif()
