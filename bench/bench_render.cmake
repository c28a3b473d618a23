# The frame against Irrlicht (Debian's libirrlicht-dev) needs its headers,
# its library and libGL for glFinish and the timer queries; without
# Irrlicht the benchmark is not built. The per-pass part draws the demo's
# scene with the demo's own start-up code and generated Resources folder.
find_path(VLM_IRRLICHT_INCLUDE_DIR irrlicht.h PATH_SUFFIXES irrlicht)
find_library(VLM_IRRLICHT_LIBRARY NAMES Irrlicht)
find_package(OpenGL COMPONENTS OpenGL)
if(VLM_IRRLICHT_INCLUDE_DIR AND VLM_IRRLICHT_LIBRARY AND TARGET OpenGL::GL AND TARGET velmora-demo-game)
  vlm_bench_gl_context(bench_render)
  # Irrlicht's headers are not valid C++20.
  target_sources(bench_render PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/irrlicht_scene.cpp)
  set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/irrlicht_scene.cpp
    PROPERTIES COMPILE_OPTIONS "-std=c++17")
  target_include_directories(bench_render SYSTEM PRIVATE ${VLM_IRRLICHT_INCLUDE_DIR})
  target_link_libraries(bench_render PRIVATE ${VLM_IRRLICHT_LIBRARY} OpenGL::GL velmora-demo-game)
  target_compile_definitions(bench_render PRIVATE
    "VLM_DEMO_RESOURCES=\"${CMAKE_BINARY_DIR}/demo/Resources\"")
  add_dependencies(bench_render velmora-demo-resources)
else()
  message(STATUS "bench_render needs Irrlicht (libirrlicht-dev), libGL and the demo; not built")
  set_target_properties(bench_render PROPERTIES EXCLUDE_FROM_ALL TRUE)
endif()
