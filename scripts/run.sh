#!/usr/bin/env bash
# Builds Flazz (installing what is missing) and starts it. The first start
# provisions the data folder from the built-in resources.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting Flazz under a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a "$root/build/src/app/flazz" "$@"
fi
if [ "$(id -u)" -eq 0 ]; then
  # The embedded browser's sandbox refuses to run as root.
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
fi
exec "$root/build/src/app/flazz" "$@"
