# The demo's scene at 1600 x 900 under each anisotropy: the demo's scene
# code, its Resources and a display (Xvfb when there is none).
vlm_bench_demo_scene(bench_anisotropy)
