# The font tests compare the baker's output with FreeType and decode the atlas.
target_link_libraries(test_text PRIVATE PkgConfig::VLMDEP_freetype2 PkgConfig::VLMDEP_libpng PkgConfig::VLMDEP_zlib)
target_compile_definitions(test_text PRIVATE
  "VLM_FONT_SOURCE=\"${VLM_FONT_SOURCE}\""
  "VLM_DEMO_FONT_FILE=\"${VLM_DEMO_FONT_FILE}\""
  "VLM_FONTBAKE=\"$<TARGET_FILE:vlm-fontbake>\"")
add_dependencies(test_text vlm_demo_font vlm-fontbake)
