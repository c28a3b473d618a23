# stb_image (Debian's libstb-dev) is the independent decoder the image tests
# compare with; it is used by test code only.
pkg_check_modules(VLM_STB REQUIRED IMPORTED_TARGET stb)
target_link_libraries(test_image PRIVATE PkgConfig::VLM_STB)
