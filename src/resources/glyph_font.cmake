# The glyph font's sources, added to the resources library: the portable layout and drawing,
# and the system's font renderer behind its seam (GDI on Windows, FreeType elsewhere).
target_sources(skyloom_resources PRIVATE ${CMAKE_CURRENT_LIST_DIR}/glyph_font.cpp)
if(WIN32)
  target_sources(skyloom_resources PRIVATE ${CMAKE_CURRENT_LIST_DIR}/glyph_rasterizer_gdi_win32.cpp)
  target_link_libraries(skyloom_resources PUBLIC gdi32)
else()
  find_package(Freetype REQUIRED)
  target_sources(skyloom_resources PRIVATE ${CMAKE_CURRENT_LIST_DIR}/glyph_rasterizer_freetype.cpp)
  target_link_libraries(skyloom_resources PRIVATE Freetype::Freetype)
endif()
target_link_libraries(skyloom_resources PUBLIC skyloom_platform)
