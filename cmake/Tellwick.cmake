include(GoogleTest)

# tellwick_unit_test(NAME SOURCES a_test.cc ... LIBS lib ...)
# A GoogleTest executable whose cases are registered with ctest under the
# label "unit" (the set that also runs under the sanitizers).
function(tellwick_unit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tellwick_test_support GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)
endfunction()

# tellwick_integration_test(NAME SOURCES ... LIBS ...): as above, labelled
# "integration": these start real processes, buses and device trees.
function(tellwick_integration_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tellwick_test_support GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    TELLWICK_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    TELLWICK_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TELLWICK_FIXTURES_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures")
  gtest_discover_tests(${name} PROPERTIES LABELS integration DISCOVERY_TIMEOUT 60)
endfunction()

# tellwick_fuzz_target(NAME SOURCE LIBS ...): a libFuzzer target, built only
# by scripts/fuzz (with clang and -fsanitize=fuzzer-no-link on everything it
# links), into the build tree's fuzz/.
function(tellwick_fuzz_target name source)
  if(NOT TELLWICK_FUZZ)
    return()
  endif()
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${ARGN})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
