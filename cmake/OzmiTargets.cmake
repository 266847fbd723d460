# Small helpers so that each program's CMakeLists says only what is its own.

# ozmi_add_test(NAME SOURCES ... LIBS ... [LABELS ...] [PROPERTIES ...])
# A GoogleTest executable; each test case becomes a CTest test.
function(ozmi_add_test name)
  if(NOT OZMI_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set(props "")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 PROPERTIES ${props} ${T_PROPERTIES})
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
