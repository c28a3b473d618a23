#!/usr/bin/env bash
# Installs every Debian package that the build, the demo, the tests, the
# benchmarks and the fuzz targets need. Only missing packages are installed.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake pkg-config git clang libclang-rt-14-dev
  # window, input, GL (Mesa gives llvmpipe for headless rendering)
  libsdl2-dev libgl-dev libegl-dev mesa-common-dev libgl1-mesa-dri
  # images, regular expressions, sound, fonts
  zlib1g-dev libpng-dev libjpeg-dev libpcre2-dev
  libogg-dev libvorbis-dev libopenal-dev libfreetype-dev fonts-liberation
  # oggenc and oggdec: the Ogg decoding benchmark's input and reference
  vorbis-tools
  # headless display for tests and ./run.sh
  xvfb xauth
  # tests and benchmarks (Bullet, tinyobjloader and stb_image are reference points)
  libgtest-dev libgmock-dev libbenchmark-dev libbullet-dev libtinyobjloader-dev libstb-dev
  # bench_render draws its scene with Irrlicht's OpenGL driver as well
  libirrlicht-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
