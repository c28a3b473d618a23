# The shader benchmark needs a GL context.
vlm_bench_gl_context(bench_shaders)
