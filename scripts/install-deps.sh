#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run
# its demo. Safe to run again: packages already present are skipped.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config git ca-certificates
  libgtk-3-dev libglib2.0-dev libx11-dev libxi-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  python3
  xvfb xauth x11-utils xdotool xserver-xorg-core libxtst-dev
  # serves the desktop's XSETTINGS (the window scale) to the HiDPI tests
  xsettingsd
  # display profiles: a real window manager honouring panels' struts
  openbox
  util-linux procps iproute2 strace
  locales
  # pictures and the Japanese window texts
  fonts-dejavu-core fonts-ipafont-gothic imagemagick
  # the theme draws radio and check marks from SVG images
  librsvg2-common adwaita-icon-theme
  # the Debian package and the checks of what it installs; x11-xserver-utils
  # and pkexec as a Debian desktop has them (the package must install beside
  # the one's xsetpointer and depends on the other), dpkg-repack to install
  # x11-xserver-utils after the package in the test's sandbox
  dpkg-dev file man-db groff-base desktop-file-utils librsvg2-bin
  x11-xserver-utils pkexec dpkg-repack lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
else
  sudo=(sudo)
fi

echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
