# Shared by the scripts: where things are, and installing what is missing.
# shellcheck shell=bash
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

BUILD_PACKAGES=(cmake ninja-build g++ python3 libgtest-dev libbenchmark-dev libjpeg62-turbo-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686)
WINE_PACKAGES=(wine wine64 xvfb xdotool x11-apps imagemagick
  fonts-ipafont-gothic fonts-wine locales
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good sox lame)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# Installs the Debian packages that are not installed yet (through sudo when not root).
ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# Configures (once) and builds one preset, warnings as errors.
build_preset() {
  local preset=$1
  if [ ! -f "$ROOT/build/$preset/CMakeCache.txt" ]; then
    cmake --preset "$preset" -S "$ROOT" -DLUMORA_WERROR=ON >/dev/null
  fi
  cmake --build "$ROOT/build/$preset"
}
