add_dependencies(test_core vlm-debugger)  # started by the debugger-channel test
