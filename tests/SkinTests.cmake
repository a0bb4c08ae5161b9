# The window's shape and the pictures it is cut from: no display needed.
if(NOT TARGET GTest::gtest_main)
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

add_executable(skin_tests
  ${CMAKE_CURRENT_LIST_DIR}/ArtworkTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BmpImageTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinRegionTest.cpp
)
target_link_libraries(skin_tests PRIVATE courseview_display_skin courseview_artwork GTest::gtest_main)
gtest_discover_tests(skin_tests DISCOVERY_TIMEOUT 60)
