# Small helpers so that each program's CMakeLists says only what is its own.

# ozmi_add_test(NAME [LINUX_ONLY] SOURCES ... LIBS ... [LABELS ...] [PROPERTIES ...])
# A GoogleTest executable; each test case becomes a CTest test. LINUX_ONLY: a test of the Linux
# layer (X11, AT-SPI, the TPM, /proc), built on Linux only.
function(ozmi_add_test name)
  cmake_parse_arguments(T "LINUX_ONLY" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  if(NOT OZMI_BUILD_TESTS OR (T_LINUX_ONLY AND NOT OZMI_PLATFORM STREQUAL "linux"))
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set(props "")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ${props} ${T_PROPERTIES})
endfunction()

# ozmi_link_runtime_statically(TARGET): the C++ runtime and libgcc linked into a program. The
# host starts the programs once per question, so start-up is most of their run time, and
# loading libstdc++ would cost more than a short run itself; the C library stays shared (the
# password database needs its name-service modules). Linux only: macOS has no static C++
# runtime. Not under the sanitizers or libFuzzer, which must see the runtime's allocations.
function(ozmi_link_runtime_statically target)
  if(OZMI_PLATFORM STREQUAL "linux" AND NOT OZMI_SANITIZE AND NOT OZMI_BUILD_FUZZERS)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()

# ozmi_add_fuzzer(NAME SOURCES ... LIBS ...): a libFuzzer target named fuzz-NAME.
function(ozmi_add_fuzzer name)
  if(NOT OZMI_BUILD_FUZZERS)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(fuzz-${name} ${F_SOURCES})
  target_link_libraries(fuzz-${name} PRIVATE ${F_LIBS})
  target_link_options(fuzz-${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# ozmi_add_benchmark(NAME SOURCES ... LIBS ...): a Google Benchmark target named bench-NAME.
function(ozmi_add_benchmark name)
  if(NOT OZMI_BUILD_BENCHMARKS)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(bench-${name} ${B_SOURCES})
  target_link_libraries(bench-${name} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
