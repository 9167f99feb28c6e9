#!/usr/bin/env bash
# Times Zip at 1024 pixels against vipsthumbnail and against a plain 1/4-scale
# decode (djpeg), the other tools run as one process per core, all on the
# very same photos: a 12-megapixel set (4000x3000) and a 24-megapixel set
# (6000x4000).
#
#   bash bench/zip-vs-vips.sh [BUILD_DIR] [COUNT]
#
# For each set it prints wall and CPU seconds of
#   flazz-cli zip --size 1024   adding the photos (each one decoded whole to
#                               prove it is a photo) and writing the archive
#   flazz-zip-bench             writing the archive only, with peak memory
#   vipsthumbnail               --size 1024x1024, Q=90
#   djpeg -scale 1/4            the decode every JPEG scaler has to pay
# and the ratios of flazz-cli to the last two, measured in the same run. On
# a shared machine the CPU ratios are the steadier figures.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
count="${2:-100}"
work="${TMPDIR:-/tmp}/flazz-zip-vs-vips"
cores=$(nproc)

missing=()
command -v vipsthumbnail >/dev/null || missing+=(libvips-tools)
command -v djpeg >/dev/null || missing+=(libjpeg-turbo-progs)
if ((${#missing[@]})); then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

[ -f "$build/CMakeCache.txt" ] || cmake --preset default -B "$build"
cmake --build "$build" --target flazz-zip-bench flazz-cli -j2 >/dev/null
bench="$build/bench/flazz-zip-bench"
cli="$build/tools/flazz-cli/flazz-cli"

# `measure NAME CMD...` runs CMD once and records wall, user+system seconds.
declare -A wall cpu
measure() {
  local name=$1
  shift
  local times
  times=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
  wall[$name]=$(echo "$times" | awk '{ print $1 }')
  cpu[$name]=$(echo "$times" | awk '{ print $2 + $3 }')
  printf '  %-28s %7.2f s wall %7.2f s CPU\n' "$name" "${wall[$name]}" "${cpu[$name]}"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

for set in 4000x3000 6000x4000; do
  width=${set%x*}
  height=${set#*x}
  photos="$work/photos-$set"
  mkdir -p "$photos" "$work/out"
  "$bench" --generate-only --count "$count" --width "$width" --height "$height" --dir "$photos"
  mapfile -t files < <(ls "$photos"/*.jpg)
  echo "== $count photos of $set ($(( width * height / 1000000 )) MP), $cores cores"

  rm -rf "$work/shell" "$work/out"/*
  measure "flazz-cli zip --size 1024" env FLAZZ_SHELL_ROOT="$work/shell" "$cli" zip --size 1024 --out "$work/out" "$photos"
  "$bench" --count "$count" --dir "$photos" --sizes 1024 | tail -2 | sed 's/^/  flazz-zip-bench: /'
  measure "vipsthumbnail x$cores" bash -c "printf '%s\n' \"\$@\" | xargs -P $cores -n 10 vipsthumbnail --size 1024x1024 -o '$work/out/%s.jpg[Q=90]'" _ "${files[@]}"
  measure "djpeg -scale 1/4 x$cores" bash -c "printf '%s\n' \"\$@\" | xargs -P $cores -n 10 sh -c 'for f; do djpeg -scale 1/4 \"\$f\" >/dev/null; done' _" _ "${files[@]}"
  echo "  flazz-cli / vipsthumbnail: $(ratio "${wall[flazz-cli zip --size 1024]}" "${wall[vipsthumbnail x$cores]}") wall," \
       "$(ratio "${cpu[flazz-cli zip --size 1024]}" "${cpu[vipsthumbnail x$cores]}") CPU"
  echo "  flazz-cli / djpeg 1/4:     $(ratio "${wall[flazz-cli zip --size 1024]}" "${wall[djpeg -scale 1/4 x$cores]}") wall," \
       "$(ratio "${cpu[flazz-cli zip --size 1024]}" "${cpu[djpeg -scale 1/4 x$cores]}") CPU"
done
