# The demo tests run the built program, and its scene code in process.
if(TARGET velmora-demo)
  add_dependencies(test_demo velmora-demo)
endif()
if(TARGET velmora-demo-game)
  target_link_libraries(test_demo PRIVATE velmora-demo-game)
else()
  target_sources(test_demo PRIVATE ${CMAKE_SOURCE_DIR}/demo/game.cpp)
  target_include_directories(test_demo PRIVATE ${CMAKE_SOURCE_DIR}/demo)
endif()
# The ten-minute soak (1,200 bodies): by hand, `ctest -L soak -V`; test.sh
# leaves it out.
add_test(NAME demo_soak_10_minutes COMMAND test_demo --gtest_filter=DemoSoak.BallAndSlabEverySecond)
set_tests_properties(demo_soak_10_minutes PROPERTIES LABELS soak TIMEOUT 7200
  ENVIRONMENT "VLM_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp;VLM_SOAK_SECONDS=600;VLM_SOAK_SAMPLE_SECONDS=30")
