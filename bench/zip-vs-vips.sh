#!/usr/bin/env bash
# Times the Zip export against vipsthumbnail + zip -0 on the same 100 large
# JPEGs, at 1024 pixels and JPEG quality 90 on both sides.
#
#   bash bench/zip-vs-vips.sh [BUILD_DIR] [COUNT]
#
# BUILD_DIR defaults to build/ (configured with the "default" preset).
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
count="${2:-100}"
work="${TMPDIR:-/tmp}/flazz-zip-vs-vips"
photos="$work/photos"

if ! command -v vipsthumbnail >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get install -y libvips-tools
fi
command -v zip >/dev/null || { echo "zip is missing (apt-get install zip)" >&2; exit 1; }

[ -f "$build/CMakeCache.txt" ] || cmake --preset default -B "$build"
cmake --build "$build" --target flazz-zip-bench -j2 >/dev/null
bench="$build/bench/flazz-zip-bench"

mkdir -p "$photos"
"$bench" --generate-only --count "$count" --dir "$photos"

echo "== Flazz zip export (all sizes) =="
"$bench" --count "$count" --dir "$photos"

run_vips() {
  rm -rf "$work/out" "$work/vips.zip"
  mkdir -p "$work/out"
  local start end
  start=$(date +%s.%N)
  "$@"
  (cd "$work/out" && zip -0 -q "$work/vips.zip" ./*.jpg)
  end=$(date +%s.%N)
  echo "$start $end" | awk -v n="$count" '{ s = $2 - $1; printf "%.2f s, %.1f photos/s\n", s, n / s }'
}

echo "== vipsthumbnail --size 1024x1024 Q=90, then zip -0 =="
echo -n "one process:          "
run_vips vipsthumbnail --size 1024x1024 -o "$work/out/%s.jpg[Q=90]" "$photos"/*.jpg
echo -n "one process per core: "
run_vips bash -c "ls '$photos'/*.jpg | xargs -P $(nproc) -n 10 vipsthumbnail --size 1024x1024 -o '$work/out/%s.jpg[Q=90]'"
echo "vips archive: $(du -m "$work/vips.zip" | cut -f1) MB"
