# The macOS layers, compiled on Linux against our own SDK declarations.
#
# No macOS SDK exists on Linux, so without this the *_mac.* files would meet a compiler only on a
# Mac. testing/macos-sdk declares, from Apple's documentation, exactly what those files call;
# clang checks each file against it with -fsyntax-only and fails on any error or warning.
#
#   ozmi_mac_compile_check(SOURCES <file>... INCLUDES <dir>...)
#
# SOURCES are paths relative to the calling CMakeLists (or absolute); INCLUDES are the project
# directories whose headers the files include. Each file becomes one CTest test named
# mac_compile.<path from the source root>, labelled mac-compile. Only testing/macos-sdk and
# INCLUDES are added to the include path; the machine's C library and C++ library headers serve
# for POSIX and the standard library. Outside a Linux build with tests, this does nothing: on a
# Mac the files are compiled for real.
#
# All Objective-C++ is compiled with ARC (-fobjc-arc), here and in the Apple build alike.

set(OZMI_MAC_SDK_DECLARATIONS ${CMAKE_CURRENT_LIST_DIR}/../testing/macos-sdk)
cmake_path(NORMAL_PATH OZMI_MAC_SDK_DECLARATIONS)

if(OZMI_BUILD_TESTS AND OZMI_PLATFORM STREQUAL "linux")
  find_program(OZMI_MAC_CHECK_CLANG NAMES clang++ clang)
  if(NOT OZMI_MAC_CHECK_CLANG)
    message(FATAL_ERROR "the mac-compile tests need clang (scripts/install-deps.sh installs it)")
  endif()
endif()

function(ozmi_mac_compile_check)
  if(NOT OZMI_BUILD_TESTS OR NOT OZMI_PLATFORM STREQUAL "linux")
    return()
  endif()
  cmake_parse_arguments(M "" "" "SOURCES;INCLUDES" ${ARGN})
  set(include_flags -I${OZMI_MAC_SDK_DECLARATIONS})
  foreach(dir ${M_INCLUDES})
    list(APPEND include_flags -I${dir})
  endforeach()
  foreach(source ${M_SOURCES})
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE OUTPUT_VARIABLE file)
    if(file MATCHES "\\.mm$")
      set(language -x objective-c++ -std=c++20 -fobjc-runtime=macosx-11.0 -fblocks -fobjc-arc)
    elseif(file MATCHES "\\.cpp$")
      set(language -x c++ -std=c++20)
    else()
      message(FATAL_ERROR "ozmi_mac_compile_check: ${source} is neither .mm nor .cpp")
    endif()
    cmake_path(RELATIVE_PATH file BASE_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE name)
    add_test(NAME mac_compile.${name}
      COMMAND ${OZMI_MAC_CHECK_CLANG} -fsyntax-only -Wall -Wextra -Werror ${language} ${include_flags} ${file})
    set_tests_properties(mac_compile.${name} PROPERTIES LABELS mac-compile)
  endforeach()
endfunction()
