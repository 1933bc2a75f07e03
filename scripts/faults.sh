#!/usr/bin/env bash
# The full fault campaigns against the writer, panelinstall and paneluninstall
# (200 kill points per program, 50 free-room sizes, the permission cases),
# printing their figures. Uses the normal build tree (scripts/test.sh makes
# it); needs root for the sandboxed campaigns and strace.
#   scripts/faults.sh [--reduced] [kill|diskfull|permissions ...]
set -uo pipefail
cd "$(dirname "$0")/.."
export PANEL_BUILD_DIR="${PANEL_BUILD_DIR:-$PWD/build}"
exec python3 tests/hardening/faultcampaigns.py "$@"
