# stb_image (Debian's libstb-dev), the reference decoder of the benchmark.
pkg_check_modules(VLM_STB REQUIRED IMPORTED_TARGET stb)
target_link_libraries(bench_texture PRIVATE PkgConfig::VLM_STB)
# The upload half needs a GL context: the tests' context helper.
if(TARGET velmora_testing)
  target_sources(bench_texture PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/gl_context.cpp
                                       ${CMAKE_SOURCE_DIR}/tests/support/test_support.cpp)
  target_include_directories(bench_texture PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(bench_texture PRIVATE "VLM_TESTDATA_DIR=\"${CMAKE_SOURCE_DIR}/../shared/testdata\"")
  target_link_libraries(bench_texture PRIVATE velmora_testing)
else()
  message(STATUS "bench_texture needs VLM_BUILD_TESTS for its GL context helper; not built")
  set_target_properties(bench_texture PROPERTIES EXCLUDE_FROM_ALL TRUE)
endif()
