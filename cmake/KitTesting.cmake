# No test may touch the user's results store: every test runs with a data folder of its own.
set(KIT_TEST_ENVIRONMENT "KIT_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
    "XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data-home")

# add_kit_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per area; every test case becomes a CTest test. KIT_BIN_DIR tells
# tests where the built programs are.
include(GoogleTest)

function(add_kit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main kit_options)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The discovered tests' properties pass through a flat list, which cannot hold a value that is
  # itself a list: the data folder goes in as a modification of its own.
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "KIT_BIN_DIR=${CMAKE_BINARY_DIR}/bin"
               ENVIRONMENT_MODIFICATION "XDG_DATA_HOME=set:${CMAKE_BINARY_DIR}/test-data-home"
               LABELS "${name}")
endfunction()

# add_kit_qt_test(<name> SOURCES <files...> LIBS <targets...>)
# One Qt Test executable (QTEST_MAIN) for a window, run on the headless offscreen platform.
function(add_kit_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test kit_options)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${KIT_TEST_ENVIRONMENT}"
    LABELS ${name})
endfunction()
