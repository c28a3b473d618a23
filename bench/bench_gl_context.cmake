# vlm_bench_gl_context(target): a benchmark that needs a GL context gets the
# tests' context helper, which starts Xvfb when there is no display.
function(vlm_bench_gl_context target)
  if(TARGET velmora_testing)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/gl_context.cpp
                                     ${CMAKE_SOURCE_DIR}/tests/support/test_support.cpp)
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_compile_definitions(${target} PRIVATE "VLM_TESTDATA_DIR=\"${CMAKE_SOURCE_DIR}/../shared/testdata\"")
    target_link_libraries(${target} PRIVATE velmora_testing)
  else()
    message(STATUS "${target} needs VLM_BUILD_TESTS for its GL context helper; not built")
    set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL TRUE)
  endif()
endfunction()

# vlm_bench_demo_scene(target): a benchmark of the demo's own scene gets the
# demo's scene code, its Resources folder (VLM_DEMO_RESOURCES) and a GL
# context.
function(vlm_bench_demo_scene target)
  if(TARGET velmora-demo-game)
    vlm_bench_gl_context(${target})
    target_link_libraries(${target} PRIVATE velmora-demo-game)
    target_compile_definitions(${target} PRIVATE
      "VLM_DEMO_RESOURCES=\"${CMAKE_BINARY_DIR}/demo/Resources\"")
    add_dependencies(${target} velmora-demo-resources)
  else()
    set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL TRUE)
  endif()
endfunction()
