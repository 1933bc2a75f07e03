#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan+UBSan) and runs each one.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 300)
# Seeds come from tests/fuzz/corpus/<target>/ (and the public sample files
# for the targets that read configuration files); inputs that once crashed a
# target are kept in tests/fuzz/regressions/<target>/ and replayed first.
# Prints, per target, the executions run; exits non-zero on any crash.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPANEL_FUZZ=ON -DPANEL_WERROR=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null || exit 1

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"

status=0
total=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for binary in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$binary" ] || continue
  name=$(basename "$binary"); target=${name#fuzz_}
  corpus="$work/$target"; mkdir -p "$corpus"
  cp -r tests/fuzz/corpus/"$target"/. "$corpus"/ 2>/dev/null || true
  extra=()
  case "$target" in
    reader|writer|install|uninstall) extra+=(tests/data/xorg-samples) ;;
  esac
  regressions=(tests/fuzz/regressions/"$target"/*)
  if [ -e "${regressions[0]}" ]; then
    if ! "$binary" -close_fd_mask=2 "${regressions[@]}" >"$work/$target.replay" 2>&1; then
      echo "$name: a kept regression input fails again" >&2
      tail -n 30 "$work/$target.replay" >&2
      status=1
      continue
    fi
  fi
  if "$binary" -close_fd_mask=2 -max_total_time="$seconds" -max_len=65536 -timeout=10 \
      -rss_limit_mb=2048 -artifact_prefix="$work/$target-" \
      "$corpus" "${extra[@]}" >"$work/$target.log" 2>&1; then
    runs=$(grep -oE 'Done [0-9]+ runs' "$work/$target.log" | grep -oE '[0-9]+' | tail -n 1)
    echo "fuzz $name: ${runs:-0} executions in ${seconds}s, no failure"
    total=$((total + ${runs:-0}))
  else
    echo "fuzz $name: FAILED" >&2
    tail -n 40 "$work/$target.log" >&2
    mkdir -p tests/fuzz/regressions/"$target"
    cp "$work/$target"-crash-* "$work/$target"-leak-* "$work/$target"-timeout-* \
      tests/fuzz/regressions/"$target"/ 2>/dev/null || true
    echo "(the failing input is now in tests/fuzz/regressions/$target/)" >&2
    status=1
  fi
done
echo "fuzz: $total executions in all"
exit $status
