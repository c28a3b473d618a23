# stb_image (Debian's libstb-dev), the reference decoder of the benchmark.
pkg_check_modules(VLM_STB REQUIRED IMPORTED_TARGET stb)
target_link_libraries(bench_texture PRIVATE PkgConfig::VLM_STB)
# The upload half needs a GL context.
vlm_bench_gl_context(bench_texture)
