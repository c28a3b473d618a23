# tinyobjloader, the reference OBJ reader of the mesh benchmark (Debian's
# libtinyobjloader-dev ships a CMake package with a shared library).
find_package(tinyobjloader CONFIG REQUIRED)
target_link_libraries(bench_mesh PRIVATE tinyobjloader::tinyobjloader)
