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
set(vlm_test_cost 100)  # each runs the demo for seconds to minutes
# The soaks run by hand (`ctest -L soak -V`); test.sh leaves them out. The
# ten-minute one draws one frame per game second: every frame drawn would
# take hours on a software rasteriser.
function(vlm_demo_soak name seconds every draw)
  add_test(NAME demo_soak_${name} COMMAND test_demo --gtest_filter=DemoSoak.BallAndSlabEverySecond)
  set_tests_properties(demo_soak_${name} PROPERTIES LABELS soak TIMEOUT 20000
    ENVIRONMENT "VLM_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp;VLM_SOAK_SECONDS=${seconds};VLM_SOAK_SAMPLE_SECONDS=${every};VLM_SOAK_DRAW_EVERY=${draw}")
endfunction()
vlm_demo_soak(20_seconds 20 5 1)
vlm_demo_soak(10_minutes 600 30 60)
