# Drawing text needs a GL context.
vlm_bench_gl_context(bench_text_draw)
