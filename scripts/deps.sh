# Shared by scripts/test and scripts/run: installs the Debian packages Quorvane
# needs, skipping those already present so that a second run is fast.
quorvane_install() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

QUORVANE_BUILD_DEPS=(build-essential cmake pkg-config libusb-dev libgtest-dev libgmock-dev
  libbenchmark-dev libwxgtk3.2-dev libcli11-dev)
QUORVANE_TEST_DEPS=(xvfb xauth fonts-noto-cjk imagemagick)
# What the program needs at run time beyond its libraries: a font for the
# Korean texts.
QUORVANE_RUN_DEPS=(fonts-noto-cjk)
