# Checks the include lines of tools/embed_shaders.cmake on a small shader
# folder: resolved in place (nested, repeated, a shared file's own note left
# out, text that only mentions an include kept), and a missing file or an
# include cycle stops the build with a message naming it.
#   cmake -DEMBED=<tools/embed_shaders.cmake> -DWORK=<scratch dir> -P embed_shaders_check.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/in/shared" "${WORK}/out")
file(WRITE "${WORK}/in/shared/block.glsl" "// Note of the file, not embedded.\n// Second line.\n\nuniform float fA;\n#include \"shared/leaf.glsl\"\n")
file(WRITE "${WORK}/in/shared/leaf.glsl" "float Leaf() { return 1.0; }\n")
file(WRITE "${WORK}/in/a.frag" "#include \"shared/leaf.glsl\"\n// #include \"shared/leaf.glsl\" stays a comment\n#include \"shared/block.glsl\"\nvoid main() {}\n#include \"shared/leaf.glsl\"\n")

function(embed expectSuccess what)
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DSHADER_DIR=${WORK}/in" "-DOUT_DIR=${WORK}/out" -P "${EMBED}"
                  RESULT_VARIABLE result ERROR_VARIABLE error)
  if(expectSuccess AND NOT result EQUAL 0)
    message(FATAL_ERROR "embedding failed: ${error}")
  endif()
  if(NOT expectSuccess)
    if(result EQUAL 0)
      message(FATAL_ERROR "embedding ${what} succeeded")
    endif()
    string(FIND "${error}" "${what}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "the failure does not name ${what}: ${error}")
    endif()
  endif()
endfunction()

embed(TRUE "")
set(expected "float Leaf() { return 1.0; }\n// #include \"shared/leaf.glsl\" stays a comment\nuniform float fA;\nfloat Leaf() { return 1.0; }\nvoid main() {}\nfloat Leaf() { return 1.0; }\n")
string(HEX "${expected}" hex)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(('[^']+',){32})" "\\1\n    " bytes "${bytes}")
file(READ "${WORK}/out/shader_sources.cpp" generated)
string(FIND "${generated}" "const char k_s_a_frag[] = {\n    ${bytes}};" at)
if(at EQUAL -1)
  message(FATAL_ERROR "a.frag was not embedded as expected:\n${generated}")
endif()

file(WRITE "${WORK}/in/a.frag" "#include \"shared/missing.glsl\"\n")
embed(FALSE "shared/missing.glsl")
file(WRITE "${WORK}/in/shared/leaf.glsl" "#include \"shared/block.glsl\"\n")
file(WRITE "${WORK}/in/a.frag" "#include \"shared/block.glsl\"\n")
embed(FALSE "nest deeper")
file(REMOVE_RECURSE "${WORK}")
