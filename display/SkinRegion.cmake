# The window's outline and the BMP reader it is checked with: the standard
# library only, so the shape of the window can be tested without a screen.
add_library(courseview_display_skin STATIC
  ${CMAKE_CURRENT_LIST_DIR}/BmpImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BmpImage.h
  ${CMAKE_CURRENT_LIST_DIR}/SkinRegion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinRegion.h
)
target_include_directories(courseview_display_skin PUBLIC ${CMAKE_CURRENT_LIST_DIR})
