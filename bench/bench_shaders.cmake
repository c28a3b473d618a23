# The shader benchmark needs a GL context: the tests' context helper (which
# starts Xvfb when there is no display) and the window-system helpers.
if(TARGET velmora_testing)
  target_sources(bench_shaders PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/gl_context.cpp
                                       ${CMAKE_SOURCE_DIR}/tests/support/test_support.cpp)
  target_include_directories(bench_shaders PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(bench_shaders PRIVATE "VLM_TESTDATA_DIR=\"${CMAKE_SOURCE_DIR}/../shared/testdata\"")
  target_link_libraries(bench_shaders PRIVATE velmora_testing)
else()
  message(STATUS "bench_shaders needs VLM_BUILD_TESTS for its GL context helper; not built")
  set_target_properties(bench_shaders PROPERTIES EXCLUDE_FROM_ALL TRUE)
endif()
