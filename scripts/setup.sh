#!/usr/bin/env bash
# Installs the Debian packages Flazz needs (only those missing), then
# configures and builds. Safe to run again: it does only what is left to do.
#   usage: scripts/setup.sh [preset]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
preset=${1:-default}

mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$root/scripts/deps.txt")
missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
if ((${#missing[@]})); then
  echo "== Installing Debian packages: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cd "$root"
cmake --preset "$preset" >/dev/null
jobs=$(nproc 2>/dev/null || echo 2)
cmake --build --preset "$preset" -j "$jobs"
