#!/usr/bin/env bash
# Installs the engine into a scratch prefix, then builds a consumer program
# once through find_package(Velmora) and through pkg-config at -O0 to -O3,
# each with and without -flto.
set -euo pipefail
BUILD="$1"; SRC="$2"; WORK="$3"; FLAGS="${4:-}"
rm -rf "$WORK"
mkdir -p "$WORK"
cmake --install "$BUILD" --prefix "$WORK/prefix" > "$WORK/install.log"
test -f "$WORK/prefix/include/velmora.h"
test -f "$WORK/prefix/include/velmora/math.h"
test -L "$WORK/prefix/bin/VLM DebuggerApplication"
# Link-time optimisation code would be recompiled with the program's flags.
if objdump -h "$(find "$WORK/prefix" -name libvelmora.a)" | grep -q '\.gnu\.lto_'; then
  echo "libvelmora.a carries link-time optimisation code" >&2
  exit 1
fi

cmake -S "$SRC/tests/support/install_consumer" -B "$WORK/consumer" \
  -DCMAKE_PREFIX_PATH="$WORK/prefix" -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$FLAGS" > "$WORK/configure.log"
cmake --build "$WORK/consumer" > "$WORK/build.log"
(cd "$WORK" && ./consumer/consumer)
# Headless physics with a fixed step: at rest, and the same bits in two runs.
(cd "$WORK" && ./consumer/drop_ball > drop1.txt && ./consumer/drop_ball > drop2.txt)
cmp "$WORK/drop1.txt" "$WORK/drop2.txt"

PC="$(find "$WORK/prefix" -name velmora.pc)"
export PKG_CONFIG_PATH="$(dirname "$PC")"
# The archive must give the same answers whatever the program is built with.
for opt in -O0 -O1 -O2 -O3; do
  for lto in "" -flto; do
    echo "pkg-config consumer $opt $lto"
    # shellcheck disable=SC2046,SC2086
    c++ -std=c++20 $opt $lto $FLAGS "$SRC/tests/support/install_consumer/main.cpp" \
      $(pkg-config --cflags velmora) $(pkg-config --libs --static velmora) -o "$WORK/pc_consumer"
    (cd "$WORK" && ./pc_consumer)
  done
done
