#!/usr/bin/env bash
# Sending through rclone at the speed of the slower of scaling and rclone's
# own transfer: 100 photos of 24 MP at 1600 px through the background
# uploader to a WebDAV remote served by "rclone serve webdav" on 127.0.0.1,
# timed against two floors measured in the same run:
#   scaling alone   flazz-cli zip --size 1600 on the same photos
#   transfer alone  rclone copy of those scaled copies to the same remote,
#                   as many transfers at once as the uploader sends
# with the uploader's peak memory (its own and its rclone's).
#
#   bash bench/rclone-bench.sh [BUILD_DIR]
#
# Environment: PHOTOS (100), CONNECTIONS (the uploader's default), PHOTO_DIR
# (where the 24 MP photos are made once and kept).
# Needs rclone, unzip and GNU time (/usr/bin/time); prints tab-separated figures.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cli=$build/tools/flazz-cli/flazz-cli
uploader=$build/src/app/flazz-uploader
bench=rclone-bench
source "$root/bench/bench-photos.sh"
need "$cli" "$uploader" "$build/bench/flazz-photoset-bench" rclone unzip /usr/bin/time

make_photos

start_work
# rclone reads this run's configuration only.
export RCLONE_CONFIG=$work/rclone.conf
mkdir -p "$work/remote"

connections=${CONNECTIONS:-$("$uploader" --help | sed -n 's/.*--per-service <n>.*default \([0-9]*\).*/\1/p')}
connections=${connections:-6}
printf 'photos\t%d\nconnections\t%d\ncores\t%d\n' "$photos" "$connections" "$(nproc)"

# The scaling floor's copies feed floor 2.
scaling_floor
unzip -q -d "$work/scaled" "$work"/zip/*.zip

password=$(head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n')
RCLONE_USER=bench RCLONE_PASS=$password rclone serve webdav "$work/remote" --addr 127.0.0.1:0 \
    2>"$work/serve.log" &
server_pid=$!
for _ in $(seq 100); do
    grep -q 'WebDav Server started' "$work/serve.log" 2>/dev/null && break
    sleep 0.1
done
url=$(grep -o 'http://127.0.0.1:[0-9]*' "$work/serve.log" | head -1)
[[ -n $url ]] || { echo "rclone-bench: rclone serve webdav did not start" >&2; cat "$work/serve.log" >&2; exit 1; }
printf '[bench]\ntype = webdav\nurl = %s\nvendor = other\nuser = bench\npass = %s\n' \
    "$url" "$(printf %s "$password" | rclone obscure -)" >"$RCLONE_CONFIG"
printf '[Rclone]\nConfig="%s"\n' "$RCLONE_CONFIG" >"$work/services.ini"

# Floor 2: rclone's own transfer of the scaled copies, nothing else.
start=$(now)
rclone copy "$work/scaled" bench:Floor --transfers "$connections" --ignore-existing
transfer_s=$(seconds "$start" "$(now)")
printf 'transfer-floor-s\t%s\n' "$transfer_s"
printf 'transfer-mb\t%.1f\n' "$(du -sb "$work/remote/Floor" | awk '{ print $1 / 1e6 }')"

time_uploaders --per-service "$connections"
: >"$work/uploader-memory"

status=0
send_photos rclone:bench "the remote"
floor_s=$(awk -v a="$scale_s" -v b="$transfer_s" 'BEGIN { printf "%.2f", (a > b ? a : b) }')
# GNU time reports the largest child too when it ends after the uploader;
# rclone is a child of the uploader, so both are in the figure.
memory_mb=$(uploader_peak_mb)

printf 'sent\t%d of %d\n' "$(grep -c '^sent' "$work/send.out" || true)" "$photos"
printf 'arrived\t%d\n' "$(find "$work/remote/Bench" -type f | wc -l)"
printf 'floor-s\t%s\n' "$floor_s"
printf 'total-s\t%s\n' "$total_s"
printf 'ratio\t%s\n' "$(awk -v t="$total_s" -v f="$floor_s" 'BEGIN { printf "%.2f", t / f }')"
printf 'uploader-peak-mb\t%s\n' "$memory_mb"
exit $status
