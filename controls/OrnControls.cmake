# The in-house painted controls: labels, buttons, pictures, check boxes,
# radio buttons and groups, page tabs, edits and the string grid. They sit
# beside the message window in controls/ but form a library of their own,
# orn_ctl, that the form base and every window link.

set(ORN_CTL_DIR ${CMAKE_SOURCE_DIR}/controls)

add_library(orn_ctl STATIC
  ${ORN_CTL_DIR}/OrnTypes.h ${ORN_CTL_DIR}/OrnTypes.cpp
  ${ORN_CTL_DIR}/OrnAccessible.h ${ORN_CTL_DIR}/OrnAccessible.cpp
  ${ORN_CTL_DIR}/OrnLabel.h ${ORN_CTL_DIR}/OrnLabel.cpp
  ${ORN_CTL_DIR}/OrnBitBtn.h ${ORN_CTL_DIR}/OrnBitBtn.cpp
  ${ORN_CTL_DIR}/OrnFon.h ${ORN_CTL_DIR}/OrnFon.cpp
  ${ORN_CTL_DIR}/OrnRadioCircle.h ${ORN_CTL_DIR}/OrnRadioCircle.cpp
  ${ORN_CTL_DIR}/OrnCheckBox.h ${ORN_CTL_DIR}/OrnCheckBox.cpp
  ${ORN_CTL_DIR}/OrnRadioButton.h ${ORN_CTL_DIR}/OrnRadioButton.cpp
  ${ORN_CTL_DIR}/OrnRadioGroup.h ${ORN_CTL_DIR}/OrnRadioGroup.cpp
  ${ORN_CTL_DIR}/OrnTabs.h ${ORN_CTL_DIR}/OrnTabs.cpp
  ${ORN_CTL_DIR}/OrnEdits.h ${ORN_CTL_DIR}/OrnEdits.cpp
  ${ORN_CTL_DIR}/OrnStringGrid.h ${ORN_CTL_DIR}/OrnStringGrid.cpp
  ${ORN_CTL_DIR}/resources/OrnGlyphs.qrc)
set_target_properties(orn_ctl PROPERTIES AUTOMOC ON AUTORCC ON)
target_include_directories(orn_ctl PUBLIC ${ORN_CTL_DIR})
target_link_libraries(orn_ctl PUBLIC Qt6::Widgets)

# Redraws the ten button glyphs into controls/resources/; run by hand when
# a glyph changes, the PNGs are kept in the source tree.
add_executable(orn_make_glyphs EXCLUDE_FROM_ALL ${ORN_CTL_DIR}/resources/OrnMakeGlyphs.cpp)
target_link_libraries(orn_make_glyphs PRIVATE Qt6::Gui)

# Every control in every state, for looking at them; `--save FILE.png`
# writes a picture of the window and exits.
add_executable(orn_gallery ${ORN_CTL_DIR}/gallery/OrnGallery.cpp)
set_target_properties(orn_gallery PROPERTIES AUTOMOC ON)
target_link_libraries(orn_gallery PRIVATE orn_ctl)

if(ORN_BUILD_TESTS)
  orn_add_qtest(OrnCtlPaintedTest SOURCES ${ORN_CTL_DIR}/tests/OrnCtlPaintedTest.cpp LIBS orn_ctl)
  orn_add_qtest(OrnCtlChoiceTest SOURCES ${ORN_CTL_DIR}/tests/OrnCtlChoiceTest.cpp LIBS orn_ctl)
  orn_add_qtest(OrnCtlGridTest SOURCES ${ORN_CTL_DIR}/tests/OrnCtlGridTest.cpp LIBS orn_ctl)
  orn_add_qtest(OrnAccessibleTest SOURCES ${ORN_CTL_DIR}/tests/OrnAccessibleTest.cpp LIBS orn_ctl)
  foreach(t OrnCtlPaintedTest OrnCtlChoiceTest OrnCtlGridTest OrnAccessibleTest)
    set_target_properties(${t} PROPERTIES AUTOMOC ON)
  endforeach()
  # The gallery tells its usage without opening a window (no display needed).
  add_test(NAME orn_gallery_help COMMAND orn_gallery --help)
  set_tests_properties(orn_gallery_help PROPERTIES PASS_REGULAR_EXPRESSION "^usage: orn_gallery .*--save FILE.png")
endif()

# The data-aware controls over the tables, with their gallery page.
add_subdirectory(${ORN_CTL_DIR}/data ${CMAKE_BINARY_DIR}/controls/data)
