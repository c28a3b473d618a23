#!/usr/bin/env bash
# Installs the engine into a scratch prefix, then builds a consumer program
# once through find_package(Velmora) and once through pkg-config.
set -euo pipefail
BUILD="$1"; SRC="$2"; WORK="$3"; FLAGS="${4:-}"
rm -rf "$WORK"
mkdir -p "$WORK"
cmake --install "$BUILD" --prefix "$WORK/prefix" > "$WORK/install.log"
test -f "$WORK/prefix/include/velmora.h"
test -f "$WORK/prefix/include/velmora/math.h"
test -L "$WORK/prefix/bin/VLM DebuggerApplication"

cmake -S "$SRC/tests/support/install_consumer" -B "$WORK/consumer" \
  -DCMAKE_PREFIX_PATH="$WORK/prefix" -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$FLAGS" > "$WORK/configure.log"
cmake --build "$WORK/consumer" > "$WORK/build.log"
(cd "$WORK" && ./consumer/consumer)

PC="$(find "$WORK/prefix" -name velmora.pc)"
export PKG_CONFIG_PATH="$(dirname "$PC")"
# shellcheck disable=SC2046
c++ -std=c++20 $FLAGS "$SRC/tests/support/install_consumer/main.cpp" \
  $(pkg-config --cflags velmora) $(pkg-config --libs --static velmora) -o "$WORK/pc_consumer"
(cd "$WORK" && ./pc_consumer)
