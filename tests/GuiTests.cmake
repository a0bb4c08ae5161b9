# The viewer's window driven for real on a virtual display: what a click
# opens, what the window's shape is, how it starts and ends.
find_package(PkgConfig REQUIRED)
# The X test extension: the tests' pointer and keyboard.
pkg_check_modules(GUI_TEST_INPUT REQUIRED IMPORTED_TARGET xtst)

# What every suite that opens the window shares: its main, the event loop,
# the pointer and keyboard, and the real program started and waited for.
add_library(courseview_gui_harness STATIC
  ${CMAKE_CURRENT_LIST_DIR}/gui/GuiTestMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/ScreenDriver.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/ViewerHarness.cpp
)
target_include_directories(courseview_gui_harness PUBLIC ${CMAKE_CURRENT_LIST_DIR}/gui)
target_link_libraries(courseview_gui_harness PUBLIC
  courseview_shell courseview_test_folder GTest::gtest PkgConfig::GUI_TEST_INPUT)
target_compile_definitions(courseview_gui_harness PUBLIC
  VIEWER_EXECUTABLE="$<TARGET_FILE:courseview>")

add_executable(gui_tests
  ${CMAKE_CURRENT_LIST_DIR}/gui/ShellUnitsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/PumpThrottleTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/ViewerWindowWaitTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/WindowLayoutTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/TreeClickTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/CoursePagesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/SearchTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/ErrorBoxTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/WindowShapeTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/CloseButtonTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/LifecycleTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gui/WindowManagerTest.cpp
)
target_link_libraries(gui_tests PRIVATE courseview_gui_harness)
target_compile_definitions(gui_tests PRIVATE SAMPLE_COURSE="${PROJECT_SOURCE_DIR}/sample-course")
add_dependencies(gui_tests courseview)

set(virtual_display ${CMAKE_CURRENT_LIST_DIR}/gui/run-on-virtual-display.sh)
# Without a window manager, as on a bare X server and in most CI machines...
add_test(NAME gui_tests
  COMMAND ${virtual_display} $<TARGET_FILE:gui_tests> --gtest_filter=-WindowManager*)
# ...and under one, where moving the window is the window manager's job.
add_test(NAME gui_tests_window_manager
  COMMAND ${virtual_display} --window-manager $<TARGET_FILE:gui_tests> --gtest_filter=WindowManager*)
# ...and the course pages and the search once more where pages without a
# declaration were written in windows-1251.
add_test(NAME gui_tests_cp1251
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=ru_RU.CP1251
          ${virtual_display} $<TARGET_FILE:gui_tests> --gtest_filter=CoursePages.*:Search.*)
# One at a time: each starts an X server and a browser engine, and they would
# compete for display numbers and the two cores.
set_tests_properties(gui_tests gui_tests_window_manager gui_tests_cp1251 PROPERTIES
  LABELS gui TIMEOUT 300 RESOURCE_LOCK virtual_display)
