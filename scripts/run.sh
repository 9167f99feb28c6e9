#!/usr/bin/env bash
# Builds Flazz (installing what is missing) and starts it on the sandbox:
# flazz-sandbox plays every online service on 127.0.0.1, so each destination
# can be tried without an account, and it stops when Flazz ends and the
# background uploader has finished the photos on their way. The first
# start provisions the data folder from the built-in resources.
#   bash scripts/run.sh                      Flazz on the sandbox
#   bash scripts/run.sh --services FILE      Flazz on your own service configuration, no sandbox
# Other arguments go to Flazz. FLAZZ_SANDBOX_STORE names the folder where the
# sandbox keeps accounts and arrived photos (default: under the data folder).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"

own_services=""
args=()
while (($#)); do
  case "$1" in
    --services) own_services=${2:?--services needs a file}; shift 2 ;;
    --services=*) own_services=${1#--services=}; shift ;;
    *) args+=("$1"); shift ;;
  esac
done

flazz=("$root/build/src/app/flazz")
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting Flazz under a virtual X server (xvfb-run)." >&2
  flazz=(xvfb-run -a "${flazz[@]}")
fi
if [ "$(id -u)" -eq 0 ]; then
  # The embedded browser's sandbox refuses to run as root.
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
fi

if [ -n "$own_services" ]; then
  exec "${flazz[@]}" --services "$own_services" "${args[@]}"
fi

work=$(mktemp -d)
services="$work/services.ini"
sandbox=("$root/build/tools/flazz-sandbox/flazz-sandbox" --exit-with-stdin --services-out "$services")
[ -n "${FLAZZ_SANDBOX_STORE:-}" ] && sandbox+=(--store "$FLAZZ_SANDBOX_STORE")
# The sandbox reads its standard input from this pipe and stops when the pipe
# closes: when this script ends, however it ends.
exec 3> >("${sandbox[@]}" | tee "$work/sandbox.out")
sandbox_pid=$!
stop_sandbox() {
  exec 3>&-
  wait "$sandbox_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap stop_sandbox EXIT
trap 'exit 130' INT TERM

for _ in $(seq 200); do
  [ -s "$services" ] && grep -q '^Flazz sandbox: ' "$work/sandbox.out" 2>/dev/null && break
  kill -0 "$sandbox_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$services" ]; then
  echo "flazz-sandbox did not start; see its messages above." >&2
  exit 1
fi
# The sandbox's page, said once more after what Flazz and its browser engine
# print as they start, so that it is the line a person finds last.
page=$(sed -n 's/^Flazz sandbox: //p' "$work/sandbox.out" 2>/dev/null | head -1)
if [ -n "$page" ]; then
  (sleep 8; printf '\nThe sandbox (what arrived, accounts, faults): %s\n' "$page" >&2) 3>&- &
fi
status=0
"${flazz[@]}" --services "$services" "${args[@]}" 3>&- || status=$?

# Closing Flazz lets the photos already on their way finish in the
# background: the sandbox they go to stays until the uploader is done.
uploader="$root/build/src/app/flazz-uploader"
if [ -x "$uploader" ] && "$uploader" --running 3>&- 2>/dev/null; then
  echo "Flazz closed; the sandbox stays up while the background uploader finishes the photos on their way (Ctrl+C stops the sandbox now)." >&2
  while "$uploader" --running 3>&- 2>/dev/null; do
    sleep 1
  done
fi
exit "$status"
