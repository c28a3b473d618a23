#!/usr/bin/env bash
# Installs what is missing, builds the demo and runs it. Without a display it
# runs headless under Xvfb for a bounded number of frames and saves a
# screenshot and the log. Extra arguments go to the demo (see --help).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD_DIR="${VLM_RUN_BUILD_DIR:-build/release}"
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DVLM_BUILD_TESTS=OFF -DVLM_BUILD_BENCH=OFF
cmake --build "$BUILD_DIR" -j "$(nproc)"
DEMO_DIR="$PWD/$BUILD_DIR/demo"
DEMO="$DEMO_DIR/velmora-demo"
if [ ! -x "$DEMO" ]; then
  echo "run.sh: the engine library is built; the demo program does not exist yet, nothing to run."
  exit 0
fi
# The engine writes "VLM LogFile.html" into the directory it starts in.
cd "$DEMO_DIR"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  "$DEMO" "$@"
  echo "Log: $DEMO_DIR/VLM LogFile.html"
  exit 0
fi
SHOT="$DEMO_DIR/velmora-demo.png"
xvfb-run -a -s "-screen 0 1920x1080x24" "$DEMO" --frames 120 --screenshot "$SHOT" "$@"
echo "Screenshot: $SHOT"
echo "Log: $DEMO_DIR/VLM LogFile.html"
