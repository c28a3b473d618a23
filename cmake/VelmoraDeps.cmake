# External libraries of the engine; shared by the build and the installed
# package configuration so both create the same imported targets.
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL)
set(VLM_PKG_MODULES sdl2 libpng libjpeg libpcre2-8 vorbisfile openal zlib)
set(VLM_DEP_TARGETS OpenGL::GL)
foreach(mod IN LISTS VLM_PKG_MODULES)
  string(MAKE_C_IDENTIFIER "VLMDEP_${mod}" _var)
  if(NOT TARGET PkgConfig::${_var})
    pkg_check_modules(${_var} REQUIRED IMPORTED_TARGET GLOBAL ${mod})
  endif()
  list(APPEND VLM_DEP_TARGETS PkgConfig::${_var})
endforeach()
