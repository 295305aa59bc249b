# Shared by the scripts: where things are, and installing what is missing.
# shellcheck shell=bash
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

BUILD_PACKAGES=(cmake ninja-build g++ python3 libgtest-dev libbenchmark-dev libjpeg62-turbo-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 nsis)
WINE_PACKAGES=(wine wine64 xvfb xdotool x11-apps x11-xserver-utils imagemagick
  fonts-ipafont-gothic fonts-wine locales
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good sox lame)
# The Linux edition (the linux preset), its package, and its end-to-end group
# under XScreenSaver's and MATE's daemons on a virtual display.
LINUX_PACKAGES=(libx11-dev libxext-dev libxrandr-dev libxdamage-dev libx11-xcb-dev libxcb-shm0-dev pkg-config
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-alsa gstreamer1.0-pulseaudio gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-tools
  pulseaudio pulseaudio-utils
  libwayland-dev wayland-protocols libxkbcommon-dev
  xscreensaver xscreensaver-data xscreensaver-data-extra mate-screensaver dbus-daemon libglib2.0-bin
  debhelper dpkg-dev fakeroot lintian
  sway swayidle grim wtype weston cage xwayland
  xvfb x11-xserver-utils x11-utils x11-apps xdotool imagemagick)
# The fuzz preset: clang, and libFuzzer with the sanitizers' runtimes.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# scripts/release, and the tests of what it makes.
RELEASE_PACKAGES=(osslsigncode zip openssl p7zip-full)

# How long set-up waits for another package installation (a fresh machine's
# automatic updates, say) to let go of the package manager's locks, in seconds.
APT_LOCK_WAIT=${LUMORA_APT_LOCK_WAIT:-600}

# Runs apt-get with the given arguments (through sudo when not root). While
# another apt or dpkg holds a lock it needs, it waits until the time `deadline`
# (seconds since the epoch) instead of failing, and says once, on stderr, what
# it waits for. apt-get itself waits for dpkg's lock when told
# DPkg::Lock::Timeout, but not for the package lists' lock of `apt-get update`:
# that one is tried again every few seconds.
apt_get_waiting() {
  local deadline=$1
  shift
  local sudo=() errors left status said=0 timeout=0 limit
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  limit="$((APT_LOCK_WAIT / 60)) minutes"
  [ $((APT_LOCK_WAIT % 60)) -eq 0 ] || limit="$APT_LOCK_WAIT seconds"
  errors=$(mktemp)
  while :; do
    status=0
    # env, so that sudo passes the variables on; apt's messages in English, so
    # that a lock it could not get is told from other errors in any locale.
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive LC_ALL=C \
      apt-get -o DPkg::Lock::Timeout="$timeout" "$@" 2>"$errors" || status=$?
    # Once its own wait is over, apt says only that it was "unable to acquire"
    # the lock; "are you root?" is no lock anyone would let go of.
    if [ "$status" -eq 0 ] || ! grep -qE 'Could not get lock|Unable to (acquire|lock)' "$errors" ||
      grep -q 'are you root' "$errors"; then
      cat "$errors" >&2
      rm -f "$errors"
      return "$status"
    fi
    left=$((deadline - $(date +%s)))
    if [ "$left" -le 0 ]; then
      cat "$errors" >&2
      rm -f "$errors"
      echo "Gave up after waiting $limit for the package manager's lock." >&2
      return "$status"
    fi
    if [ "$said" -eq 0 ]; then
      # apt's message names the lock and the process that holds it.
      echo "Waiting up to $limit for another package installation to finish:" \
        "$(grep -m1 -E 'Could not get lock|Unable to' "$errors" | sed 's/^E: //')" >&2
      said=1
    fi
    timeout=$left
    sleep 3
  done
}

# Installs the Debian packages that are not installed yet.
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
  local deadline=$(($(date +%s) + APT_LOCK_WAIT))
  apt_get_waiting "$deadline" update -qq
  apt_get_waiting "$deadline" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures (once) and builds one preset, warnings as errors.
build_preset() {
  local preset=$1
  if [ ! -f "$ROOT/build/$preset/CMakeCache.txt" ]; then
    cmake --preset "$preset" -S "$ROOT" -DLUMORA_WERROR=ON >/dev/null
  fi
  cmake --build "$ROOT/build/$preset"
}
