#!/usr/bin/env bash
# Builds Flazz and its tests (installing what is missing), runs the suite,
# then packs the build and checks the package (skipped when arguments pick
# tests: scripts/test.sh -R Startup).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
cd "$root"
bash "$root/scripts/check-format.sh"
export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
jobs=$(nproc 2>/dev/null || echo 2)
ctest --preset default -j "$jobs" "$@"
if (($# == 0)); then
  bash "$root/scripts/check-package.sh"
fi
