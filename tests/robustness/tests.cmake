add_dependencies(test_robustness vlm-sweep)  # the sweep it runs
set(vlm_test_cost 1000)  # the sweep runs its cases one after the other for minutes
