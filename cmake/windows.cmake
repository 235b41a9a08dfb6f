# Windows build: the two programs, the shipped folder, and the tests that run
# the programs under Wine.
set(SOBEEP_HOST_BUILD "" CACHE PATH "Host build directory that holds the generators (artgen, hlpgen)")
if(NOT SOBEEP_HOST_BUILD)
  message(FATAL_ERROR "Set SOBEEP_HOST_BUILD to a host build of this tree (scripts/build.sh does).")
endif()
set(ARTGEN ${SOBEEP_HOST_BUILD}/tools/artgen/artgen)
set(SOBEEP_HELP_DIR ${SOBEEP_HOST_BUILD}/help)

# Sources are UTF-8; the programs' texts are UTF-16 (wide literals), so
# they read the same on a system of any code page.
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-finput-charset=UTF-8;-Wall;-Wextra>")
# The generic names of the Windows headers (IDC_ARROW, MAKEINTRESOURCE)
# are their wide forms too.
add_compile_definitions(UNICODE _UNICODE)
# Size: the static check of the shipped files (tests/shipped/check_shipped.py)
# holds each program to 96 KiB. Optimising for size, with a section per
# function and per datum so that the linker drops what nothing uses, and
# stripped (-s).
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-Os;-ffunction-sections;-fdata-sections>")
add_link_options(-static -s -Wl,--gc-sections)
# Two builds of one commit give the same bytes: ld writes the link time into
# the PE header unless told not to (zero is the format's "no meaningful
# time"). The option also outranks SOURCE_DATE_EPOCH, which ld honours too,
# so a builder's environment cannot change the header either.
add_link_options(-Wl,--no-insert-timestamp)

# The compilers use the posix thread model because GoogleTest needs
# std::mutex; its C++ runtime locks through winpthreads (28 KB). The shipped
# programs start no threads, so they link the runtime of the win32 model,
# which locks with critical sections, and the terminate handler that needs
# no demangler (runtime/terminate_handler.cpp). GCC 14's runtime of that
# model imports GetThreadId, which Windows XP lacks; runtime/thread_id.cpp
# stands in for it.
string(REGEX REPLACE "-posix$" "-win32" _win32_cxx "${CMAKE_CXX_COMPILER}")
if(NOT _win32_cxx STREQUAL CMAKE_CXX_COMPILER)
  execute_process(COMMAND ${_win32_cxx} -print-libgcc-file-name
    OUTPUT_VARIABLE _win32_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _failed)
  if(NOT _failed)
    get_filename_component(SOBEEP_WIN32_RUNTIME_DIR ${_win32_libgcc} DIRECTORY)
  endif()
endif()
function(sobeep_small_program target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/runtime/terminate_handler.cpp
    ${PROJECT_SOURCE_DIR}/runtime/thread_id.cpp)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  if(SOBEEP_WIN32_RUNTIME_DIR)
    target_link_options(${target} PRIVATE -L${SOBEEP_WIN32_RUNTIME_DIR})
  endif()
endfunction()

# Generates artwork from the text sources in ${dir}/art; the outputs land in
# the current binary directory's art/ folder, which the .rc files include.
function(sobeep_artwork out_var dir)
  set(outputs)
  foreach(file ${ARGN})
    get_filename_component(stem ${file} NAME_WE)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/art/${file})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/art
      COMMAND ${ARTGEN} ${dir}/art/${stem}.txt ${out}
      DEPENDS ${dir}/art/${stem}.txt ${ARTGEN}
      COMMENT "artwork ${file}")
    list(APPEND outputs ${out})
  endforeach()
  set(${out_var} ${outputs} PARENT_SCOPE)
endfunction()

include(cmake/core.cmake)
add_library(sobeep_settings STATIC
  ${PROJECT_SOURCE_DIR}/settings/settings_key.cpp
  ${PROJECT_SOURCE_DIR}/settings/player_settings.cpp)
target_link_libraries(sobeep_settings PUBLIC sobeep_core advapi32 user32)

add_subdirectory(player)
add_subdirectory(installer)
sobeep_small_program(soBeep)
sobeep_small_program(installer)

# The shipped folder: exactly the files the installer copies, named where the
# installer names them. The two programs are built here; the others are the
# help files from the host build's generator.
file(READ ${PROJECT_SOURCE_DIR}/installer/install_rules.h _install_rules)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/installer/install_rules.h)
string(REGEX MATCH "kInstallFiles\\[\\] = {[^}]*}" _install_list "${_install_rules}")
string(REGEX MATCHALL "\"[^\"]+\"" SOBEEP_SHIPPED_FILES "${_install_list}")
string(REPLACE "\"" "" SOBEEP_SHIPPED_FILES "${SOBEEP_SHIPPED_FILES}")
if(NOT SOBEEP_SHIPPED_FILES MATCHES "soBeep\\.exe;.*install\\.exe")
  message(FATAL_ERROR "no shipped files in installer/install_rules.h: ${SOBEEP_SHIPPED_FILES}")
endif()
set(SOBEEP_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(_gather)
set(_sources)
foreach(name ${SOBEEP_SHIPPED_FILES})
  if(name STREQUAL "soBeep.exe")
    set(source $<TARGET_FILE:soBeep>)
  elseif(name STREQUAL "install.exe")
    set(source $<TARGET_FILE:installer>)
  else()
    set(source ${SOBEEP_HELP_DIR}/${name})
    list(APPEND _sources ${source})
  endif()
  list(APPEND _gather COMMAND ${CMAKE_COMMAND} -E copy ${source} ${SOBEEP_DIST_DIR}/${name})
endforeach()
add_custom_target(dist ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${SOBEEP_DIST_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SOBEEP_DIST_DIR}
  ${_gather}
  DEPENDS soBeep installer ${_sources}
  COMMENT "gathering the shipped files in ${SOBEEP_DIST_DIR}")

# The archive users download, beside the shipped folder, and its SHA-256 in
# sha256sum's format; tools/distzip fixes every field of the archive, so two
# builds of one commit give the same bytes. The tests install from its
# unpacked copy, so what they check is what users get.
if(MINGW_ARCH STREQUAL "x86_64")
  set(_platform win64)
else()
  set(_platform win32)
endif()
set(SOBEEP_ZIP ${CMAKE_BINARY_DIR}/SoBeep-${PROJECT_VERSION}-${_platform}.zip)
set(SOBEEP_UNZIPPED_DIR ${CMAKE_BINARY_DIR}/dist-unzipped)
add_custom_target(dist_zip ALL
  COMMAND python3 ${PROJECT_SOURCE_DIR}/tools/distzip/distzip.py --source ${PROJECT_SOURCE_DIR}
          --from ${SOBEEP_DIST_DIR} --output ${SOBEEP_ZIP} ${SOBEEP_SHIPPED_FILES}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${SOBEEP_UNZIPPED_DIR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SOBEEP_UNZIPPED_DIR}
  COMMAND ${CMAKE_COMMAND} -E chdir ${SOBEEP_UNZIPPED_DIR} ${CMAKE_COMMAND} -E tar xf ${SOBEEP_ZIP}
  DEPENDS dist
  COMMENT "packing ${SOBEEP_ZIP}"
  VERBATIM)

add_subdirectory(tests/win)
add_subdirectory(bench)
