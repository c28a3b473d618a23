# The demo's frame at 1600 x 900: the demo's scene code, its Resources and
# a display (Xvfb when there is none).
vlm_bench_demo_scene(bench_demo)
