# The archiver's windows of the archive run, the extraction, the add-files
# and the register marking commands, and the functions through which the
# main window calls them. The logic lives in app/run and app/sources; these
# windows only show it and pass on what the user chose.
set(ORN_ARCHIVER_WINDOWS_DIR ${CMAKE_SOURCE_DIR}/app)

add_library(orn_archiver_windows STATIC
  ${ORN_ARCHIVER_WINDOWS_DIR}/ArchiverActions.h ${ORN_ARCHIVER_WINDOWS_DIR}/ArchiverActions.cpp
  ${ORN_ARCHIVER_WINDOWS_DIR}/UnitProgress.h ${ORN_ARCHIVER_WINDOWS_DIR}/UnitProgress.cpp
  ${ORN_ARCHIVER_WINDOWS_DIR}/funarhf.h ${ORN_ARCHIVER_WINDOWS_DIR}/funarhf.cpp
  ${ORN_ARCHIVER_WINDOWS_DIR}/UnArh.h ${ORN_ARCHIVER_WINDOWS_DIR}/UnArh.cpp
  ${ORN_ARCHIVER_WINDOWS_DIR}/addfiles.h ${ORN_ARCHIVER_WINDOWS_DIR}/addfiles.cpp
  ${ORN_ARCHIVER_WINDOWS_DIR}/SprAdm.h ${ORN_ARCHIVER_WINDOWS_DIR}/SprAdm.cpp
  ${ORN_ARCHIVER_WINDOWS_DIR}/frmSimpleZipper.h ${ORN_ARCHIVER_WINDOWS_DIR}/frmSimpleZipper.cpp
  ${ORN_ARCHIVER_WINDOWS_DIR}/Floppy.h ${ORN_ARCHIVER_WINDOWS_DIR}/Floppy.cpp)
set_target_properties(orn_archiver_windows PROPERTIES AUTOMOC ON)
target_include_directories(orn_archiver_windows PUBLIC ${ORN_ARCHIVER_WINDOWS_DIR})
target_link_libraries(orn_archiver_windows PUBLIC
  orn_archive_run orn_sources orn_zip orn_forms orn_controls orn_ctl orn_app_core Qt6::Widgets)

if(ORN_BUILD_TESTS)
  # The main window as the program runs it (ArchivatorWindow.cpp) is driven
  # too, over the real engine.
  orn_add_qtest(ArchWinTest
    SOURCES ${ORN_ARCHIVER_WINDOWS_DIR}/tests/ArchWinTest.cpp
            ${ORN_ARCHIVER_WINDOWS_DIR}/ArchivatorWindow.cpp
            ${CMAKE_SOURCE_DIR}/app/run/tests/FakeBackend.cpp
            ${CMAKE_SOURCE_DIR}/app/sources/tests/SourcesTestUtil.cpp
    LIBS orn_archiver_windows orn_app_windows orn_tables)
  set_target_properties(ArchWinTest PROPERTIES AUTOMOC ON)
  target_include_directories(ArchWinTest PRIVATE ${CMAKE_SOURCE_DIR}/app/run/tests ${CMAKE_SOURCE_DIR}/app/sources/tests)
  orn_add_qtest(FloppyTest SOURCES ${ORN_ARCHIVER_WINDOWS_DIR}/tests/FloppyTest.cpp LIBS orn_archiver_windows)
  set_target_properties(FloppyTest PROPERTIES AUTOMOC ON)
  # The run and restore over the real engine load the compression libraries.
  add_dependencies(ArchWinTest ornzip_lib ornunz_lib)
endif()

if(ORN_BUILD_TESTS)
  orn_add_qtest(UnzipAboutTest
    SOURCES ${ORN_ARCHIVER_WINDOWS_DIR}/tests/UnzipAboutTest.cpp ${CMAKE_SOURCE_DIR}/zip/tests/ZipTestSupport.cpp
            ${CMAKE_SOURCE_DIR}/app/sources/tests/SourcesTestUtil.cpp ${ORN_ARCHIVER_WINDOWS_DIR}/ArchivatorWindow.cpp
    LIBS orn_archiver_windows orn_app_windows orn_tables)
  set_target_properties(UnzipAboutTest PROPERTIES AUTOMOC ON)
  target_include_directories(UnzipAboutTest PRIVATE ${CMAKE_SOURCE_DIR}/zip/tests ${CMAKE_SOURCE_DIR}/app/sources/tests
    ${CMAKE_SOURCE_DIR}/controls/tests)
  # The program's main window, with its windows wired as the program has them.
  target_compile_definitions(UnzipAboutTest PRIVATE ZIP_FAKE_DIR="${CMAKE_BINARY_DIR}/zip/tests")
  # Extraction runs the real compression library.
  add_dependencies(UnzipAboutTest ornzip_lib ornunz_lib)
endif()

# Pictures of the windows (docs/screenshots); built with the tests, so that
# they keep building, and run by hand:
# `xvfb-run build/bin/ArchWinScreens OUTDIR`.
if(ORN_BUILD_TESTS)
  add_executable(ArchWinScreens
    ${ORN_ARCHIVER_WINDOWS_DIR}/tests/ArchWinScreens.cpp ${CMAKE_SOURCE_DIR}/app/run/tests/FakeBackend.cpp)
  target_include_directories(ArchWinScreens PRIVATE ${CMAKE_SOURCE_DIR}/app/run/tests)
  target_link_libraries(ArchWinScreens PRIVATE orn_archiver_windows orn_app_windows orn_scripted_dialogs)

  # `xvfb-run build/bin/UnzipAboutScreens OUTDIR`: the unzip, About and
  # calculator windows.
  add_executable(UnzipAboutScreens
    ${ORN_ARCHIVER_WINDOWS_DIR}/tests/UnzipAboutScreens.cpp ${CMAKE_SOURCE_DIR}/zip/tests/ZipTestSupport.cpp)
  target_include_directories(UnzipAboutScreens PRIVATE ${CMAKE_SOURCE_DIR}/zip/tests)
  target_compile_definitions(UnzipAboutScreens PRIVATE ZIP_FAKE_DIR="${CMAKE_BINARY_DIR}/zip/tests")
  target_link_libraries(UnzipAboutScreens PRIVATE orn_archiver_windows orn_app_windows orn_scripted_dialogs)
endif()
