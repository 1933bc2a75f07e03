#!/usr/bin/env bash
# Builds a normal and an AddressSanitizer+UndefinedBehaviorSanitizer tree and
# runs every test of both with CTest, then the calibration tests under
# ThreadSanitizer; builds the Debian package, checks it and installs it into
# a throw-away sandbox; then a short fuzz run. Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh || exit 1

jobs=$(nproc 2>/dev/null || echo 2)
status=0

build() {
  local dir="$1"; shift
  cmake -S . -B "$dir" "$@" >/dev/null && cmake --build "$dir" -j "$jobs"
}

echo "== Format (every source file as .clang-format has it)"
bash scripts/format.sh --check || status=1

# Warnings are errors here; a user's plain build only shows them.
build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPANEL_WERROR=ON || exit 1
build build-asan -DCMAKE_BUILD_TYPE=Debug -DPANEL_SANITIZE=ON -DPANEL_WERROR=ON || exit 1

echo "== Tests (normal build)"
ctest --test-dir build --output-on-failure -j "$jobs" || status=1

echo "== Tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
ctest --test-dir build-asan --output-on-failure -j "$jobs" || status=1

# The calibration wait's watcher thread reads the driver block beside the
# main loop: a ThreadSanitizer tree of the calibration tests alone. The
# toolkit's libraries are not instrumented and lock in ways the sanitizer
# cannot see; only calls from this project's code are checked.
echo "== Tests (ThreadSanitizer: the calibration tests)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DPANEL_SANITIZE_THREAD=ON -DPANEL_WERROR=ON >/dev/null &&
  cmake --build build-tsan -j "$jobs" --target test_calibration test_calibsession || exit 1
TSAN_OPTIONS="halt_on_error=1:ignore_noninstrumented_modules=1" \
  ctest --test-dir build-tsan -R 'Calibration|CalibSession|CalibWatch' --output-on-failure -j "$jobs" || status=1

echo "== Debian package: built, checked, installed into a sandbox, each program run, removed"
if deb=$(bash scripts/package.sh | tail -n 1) && [ -f "$deb" ]; then
  PANEL_DEB="$deb" PANEL_BUILD_DIR="$PWD/build" python3 tests/package/test_package.py || status=1
else
  echo "The package could not be built." >&2
  status=1
fi

echo "== Short fuzz run (each libFuzzer target for a few seconds)"
bash scripts/fuzz.sh 5 || status=1

if [ $status -eq 0 ]; then
  echo "All tests of both builds passed."
else
  echo "Some tests failed." >&2
fi
exit $status
