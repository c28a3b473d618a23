# Bullet (Debian's libbullet-dev) runs the same scene in the same program.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VLM_BULLET REQUIRED IMPORTED_TARGET bullet)
target_link_libraries(${name} PRIVATE PkgConfig::VLM_BULLET)
