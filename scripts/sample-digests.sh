#!/usr/bin/env bash
# Prints one digest per public sample and program: what the configuration
# writer (as Apply runs it), panelinstall (each mode) and paneluninstall make
# of it. A change that must not change behaviour leaves this list identical:
#
#   bash scripts/sample-digests.sh [BUILD_DIR] > before.txt
#   ... change ...
#   bash scripts/sample-digests.sh [BUILD_DIR] | diff before.txt -
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for sample in tests/data/xorg-samples/*.conf; do
  name=$(basename "$sample")
  run() {  # label, command...
    local label=$1; shift
    cp "$sample" "$work/xorg.conf"
    local status=0
    "$@" "$work/xorg.conf" > "$work/out" 2>&1 || status=$?
    printf '%s %s %s status=%s messages=%s\n' "$name" "$label" \
      "$(sha256sum < "$work/xorg.conf" | cut -c1-16)" "$status" \
      "$(sed "s|$work|DIR|g" "$work/out" | sha256sum | cut -c1-16)"
  }
  run writer "$build/tests/writer/writerprobe"
  for mode in 0 1 2; do
    run "install-$mode" sh -c '"$0" "$1" '"$mode"' 1 3' "$build/installtools/panelinstall"
  done
  run uninstall "$build/installtools/paneluninstall"
  # The writer over the installer's sections: every option read and written.
  for mode in 0 2; do
    run "install-$mode-writer" sh -c '"$0" "$2" '"$mode"' 0 3 && "$1" "$2"' \
      "$build/installtools/panelinstall" "$build/tests/writer/writerprobe"
  done
done
