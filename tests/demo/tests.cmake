# The demo tests run the built program.
if(TARGET velmora-demo)
  add_dependencies(test_demo velmora-demo)
endif()
