# The built-in images: vlm-gen-images paints and encodes them at build time
# and its output is compiled into the engine library.
# The build-time tools (this one and vlm-fontbake) encode with the platform's
# own codecs, compiled once into a small library of their own because the
# engine library itself is not built yet when they run.
add_library(vlm_tool_codecs STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/image.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/image_png.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/image_jpeg.cpp)
target_include_directories(vlm_tool_codecs PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vlm_tool_codecs PUBLIC PkgConfig::VLMDEP_libpng PkgConfig::VLMDEP_libjpeg)
add_executable(vlm-gen-images ${CMAKE_CURRENT_SOURCE_DIR}/tools/gen_builtin_images.cpp)
target_link_libraries(vlm-gen-images PRIVATE vlm_tool_codecs)
set(VLM_BUILTIN_IMAGES_SOURCE "${CMAKE_CURRENT_BINARY_DIR}/generated/builtin_images.cpp")
add_custom_command(OUTPUT "${VLM_BUILTIN_IMAGES_SOURCE}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/generated"
  COMMAND vlm-gen-images "${VLM_BUILTIN_IMAGES_SOURCE}"
  DEPENDS vlm-gen-images
  COMMENT "Painting the built-in images")
target_sources(velmora PRIVATE "${VLM_BUILTIN_IMAGES_SOURCE}")
