#!/usr/bin/env bash
# Builds the Debian package: a release tree for /usr without the tests, then
# CPack. Prints the package's path as its last line.
#
#   bash scripts/package.sh [BUILD_DIR]      (default build-pkg)
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build-pkg}"

bash scripts/install-deps.sh >&2
# The programs run as root and read files: built with the hardening flags
# Debian gives its own packages (stack protector, fortified calls, read-only
# relocations bound at start).
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DPANEL_BUILD_TESTS=OFF \
  -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >&2
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" >&2
rm -f "$dir"/tavir-panel-utility_*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$PWD/$dir"/tavir-panel-utility_*.deb
