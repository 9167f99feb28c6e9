#!/usr/bin/env bash
# Builds Flazz (installing what is missing) and its Debian package, and
# prints the package's path:
#   sudo apt install "$(bash scripts/package.sh | tail -1)"
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh" >&2
cd "$root/build"
rm -f packages/flazz_*.deb
cpack -G DEB >&2
ls "$root"/build/packages/flazz_*.deb
