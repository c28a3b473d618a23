add_dependencies(test_robustness vlm-sweep)  # the sweep it runs
