include(GoogleTest)

# tellwick_unit_test(NAME SOURCES a_test.cc ... LIBS lib ...)
# A GoogleTest executable whose cases are registered with ctest under the
# label "unit" (the set that also runs under the sanitizers).
function(tellwick_unit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tellwick_test_support GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} NO_PRETTY_VALUES PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)
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
  gtest_discover_tests(${name} NO_PRETTY_VALUES PROPERTIES LABELS integration DISCOVERY_TIMEOUT 60)
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

# tellwick_read_helper_names(HEADER): the helper's bus name and the
# notification names, read out of the one header that defines them, for
# everything that is not C++: TELLWICK_NAME_<constant> (TELLWICK_NAME_kHelperBusName,
# TELLWICK_NAME_helperStarted, ...) for the installed files, and
# share/tellwick/helper_names.sh, shell assignments for the scripts.
function(tellwick_read_helper_names header)
  file(READ ${header} text)
  string(REGEX MATCHALL "std::string_view [A-Za-z]+ = \"[A-Za-z0-9._]+\"" names "${text}")
  list(LENGTH names count)
  if(NOT count EQUAL 12)
    message(FATAL_ERROR "${header}: expected 12 names of the form `std::string_view name = \"Value\"`, read ${count}")
  endif()
  set(shell "# Generated from protocol/helper_notifications.h by CMake.\n")
  foreach(name ${names})
    string(REGEX REPLACE "std::string_view ([A-Za-z]+) = \"(.*)\"" "\\1;\\2" pair "${name}")
    list(GET pair 0 key)
    list(GET pair 1 value)
    set(TELLWICK_NAME_${key} "${value}" PARENT_SCOPE)
    string(APPEND shell "${key}='${value}'\n")
  endforeach()
  file(CONFIGURE OUTPUT ${TELLWICK_BUILD_SHARE_DIR}/helper_names.sh CONTENT "${shell}" @ONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()
