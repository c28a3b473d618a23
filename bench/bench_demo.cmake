# The demo's frame at 1600 x 900: the demo's scene code, its Resources and
# a display (Xvfb when there is none).
if(TARGET velmora-demo-game)
  vlm_bench_gl_context(bench_demo)
  target_link_libraries(bench_demo PRIVATE velmora-demo-game)
  target_compile_definitions(bench_demo PRIVATE
    "VLM_DEMO_RESOURCES=\"${CMAKE_BINARY_DIR}/demo/Resources\"")
  add_dependencies(bench_demo velmora-demo-resources)
else()
  set_target_properties(bench_demo PROPERTIES EXCLUDE_FROM_ALL TRUE)
endif()
