# orn_add_gtest(NAME SOURCES... LIBS ...): a GoogleTest program whose cases are
# each their own CTest entry. Tests find the third-party fixtures through
# ORN_FIXTURES_DIR and skip what needs them when the folder is missing. Every
# test program may answer dialogs from a script (ScriptedDialogService.h).
function(orn_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orn_scripted_dialogs GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    ORN_FIXTURES_DIR="${ORN_FIXTURES_DIR}"
    ORN_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ORN_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()

# orn_add_qtest(NAME SOURCES... LIBS ...): a Qt Test program for windows and
# controls, run offscreen.
function(orn_add_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} orn_scripted_dialogs Qt6::Test Qt6::Widgets)
  target_compile_definitions(${name} PRIVATE
    ORN_FIXTURES_DIR="${ORN_FIXTURES_DIR}"
    ORN_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ORN_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
