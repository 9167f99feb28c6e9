#!/usr/bin/env bash
# Uploads at the speed of the link: 100 photos of 24 MP sent at 1600 px
# through the background uploader to the sandbox's Google Drive and Dropbox,
# over a played link with 100 ms added to every request and a 20 MB/s upload
# cap, timed against two floors measured in the same run:
#   scaling alone   flazz-cli zip --size 1600 on the same photos
#   transfer alone  request bytes / cap + latency x requests / connections
# with the uploader's peak memory and the longest the window's thread stood
# still while the job ran (flazz-upload-watch-bench).
#
#   bash bench/upload-bench.sh [BUILD_DIR]
#
# Environment: PHOTOS (100), LATENCY_MS (100), CAP_BYTES (20000000; 0 for
# no cap, and then the transfer floor counts the latency alone),
# CONNECTIONS (the uploader's default), SERVICES ("google dropbox"),
# PHOTO_DIR (where the 24 MP photos are made once and kept).
# Needs curl and GNU time (/usr/bin/time); prints tab-separated figures.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
latency=${LATENCY_MS:-100}
cap=${CAP_BYTES:-20000000}
services=${SERVICES:-google dropbox}

cli=$build/tools/flazz-cli/flazz-cli
sandbox=$build/tools/flazz-sandbox/flazz-sandbox
uploader=$build/src/app/flazz-uploader
watchbench=$build/bench/flazz-upload-watch-bench
bench=upload-bench
source "$root/bench/bench-photos.sh"
need "$cli" "$sandbox" "$uploader" "$watchbench" "$build/bench/flazz-photoset-bench" curl /usr/bin/time

make_photos

start_work

printf 'photos\t%d\nlatency-ms\t%d\ncap-bytes-per-s\t%d\ncores\t%d\n' "$photos" "$latency" "$cap" "$(nproc)"

scaling_floor
rm -rf "$work/zip"

"$sandbox" --store "$work/store" --services-out "$work/services.ini" >"$work/sandbox.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
    grep -q '^Services file' "$work/sandbox.out" 2>/dev/null && break
    sleep 0.1
done
home=$(sed -n 's/^Flazz sandbox: \(http[^ ]*\)\/$/\1/p' "$work/sandbox.out")
[[ -n $home ]] || { echo "upload-bench: the sandbox did not start" >&2; cat "$work/sandbox.out" >&2; exit 1; }
# Every /control call carries the run's token, which the sandbox leaves beside the services file.
control_token=$(cat "$work/services.ini.token")

# Approves Flazz on a sandbox sign-in page, as a person would, and prints
# the title of the page it ends on.
approve() {
    local url=$1 page action base
    page=$(curl -sfL "$url")
    base=$(sed -E 's#^(https?://[^/]+).*#\1#' <<<"$url")
    action=$(grep -o '<form method="post" action="[^"]*"' <<<"$page" | sed 's/.*action="//; s/"$//')
    local -a fields=()
    while IFS= read -r field; do
        fields+=(--data-urlencode "$field")
    done < <(grep -o 'type="hidden" name="[^"]*" value="[^"]*"' <<<"$page" |
        sed -E 's/.*name="([^"]*)" value="([^"]*)"/\1=\2/' | sed 's/&amp;/\&/g')
    curl -sfL "${fields[@]}" --data decision=approve "$base$action" |
        sed -n 's:.*<title>\(.*\)</title>.*:\1:p' | head -1
}

signin() {
    local service=$1 url title pid
    rm -f "$work/signin-in" "$work/signin-out"
    mkfifo "$work/signin-in" "$work/signin-out"
    "$cli" signin "$service" --services "$work/services.ini" <"$work/signin-in" >"$work/signin-out" 2>&1 &
    pid=$!
    exec 7>"$work/signin-in" 8<"$work/signin-out"
    # The command tells a person what to do before it prints the address alone on a line.
    while read -r url <&8; do [[ $url == http* ]] && break; done
    title=$(approve "$url")
    if [[ $service == google ]]; then
        echo "$title" >&7
    else
        echo >&7
    fi
    exec 7>&-
    cat <&8 >"$work/signin-$service.out" || true
    exec 8<&-
    wait "$pid" || { echo "upload-bench: no sign-in to $service" >&2; cat "$work/signin-$service.out" >&2; exit 1; }
}

# The link, on the service's servers: every request answered 100 ms late,
# request bodies read at the cap shared by all connections.
slow_link() {
    local service
    for service in "$@"; do
        if ((latency > 0)); then
            curl -sf -d "token=$control_token&service=$service&fault=latency&value=$latency" \
                "$home/control/faults" >/dev/null
        fi
        if ((cap > 0)); then
            curl -sf -d "token=$control_token&service=$service&fault=upload-bandwidth&value=$cap" \
                "$home/control/faults" >/dev/null
        fi
    done
}

# Requests and request bytes the named services' servers have had, each
# server counted once.
traffic() {
    curl -sf "$home/control/traffic?token=$control_token" | awk -v names=" $* " '
        index(names, " " $1 " ") && !seen[$2]++ { requests += $3; bytes += $4 }
        END { printf "%d %d\n", requests, bytes }'
}

time_uploaders ${CONNECTIONS:+--per-service "$CONNECTIONS"}
connections=${CONNECTIONS:-$("$uploader" --help | sed -n 's/.*--per-service <n>.*default \([0-9]*\).*/\1/p')}
connections=${connections:-3}

status=0
for service in $services; do
    case $service in
    google) servers=(Google GoogleUpload) ;;
    dropbox) servers=(Dropbox DropboxContent) ;;
    *) echo "upload-bench: no bench for $service" >&2; exit 2 ;;
    esac
    signin "$service"
    slow_link "${servers[@]}"
    read -r requests_before bytes_before <<<"$(traffic "${servers[@]}")"
    : >"$work/uploader-memory"

    "$watchbench" >"$work/watch.out" 2>&1 &
    watch_pid=$!
    send_photos "$service" "$service"
    wait "$watch_pid" || true

    read -r requests_after bytes_after <<<"$(traffic "${servers[@]}")"
    requests=$((requests_after - requests_before))
    bytes=$((bytes_after - bytes_before))
    sent=$(grep -c '^sent' "$work/send.out" || true)
    transfer_s=$(awk -v b="$bytes" -v c="$cap" -v l="$latency" -v r="$requests" -v n="$connections" \
        'BEGIN { printf "%.2f", (c > 0 ? b / c : 0) + l / 1000 * r / n }')
    floor_s=$(awk -v a="$scale_s" -v b="$transfer_s" 'BEGIN { printf "%.2f", (a > b ? a : b) }')
    memory_mb=$(uploader_peak_mb)

    printf '%s-sent\t%d of %d\n' "$service" "$sent" "$photos"
    printf '%s-requests\t%d\n' "$service" "$requests"
    printf '%s-request-mb\t%.1f\n' "$service" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')"
    printf '%s-connections\t%d\n' "$service" "$connections"
    printf '%s-transfer-floor-s\t%s\n' "$service" "$transfer_s"
    printf '%s-floor-s\t%s\n' "$service" "$floor_s"
    printf '%s-total-s\t%s\n' "$service" "$total_s"
    printf '%s-ratio\t%s\n' "$service" "$(awk -v t="$total_s" -v f="$floor_s" 'BEGIN { printf "%.2f", t / f }')"
    printf '%s-uploader-peak-mb\t%s\n' "$service" "$memory_mb"
    sed -n "s/^still-max-ms/$service-window-still-max-ms/p; s/^still-over-100ms/$service-window-still-over-100ms/p" \
        "$work/watch.out"
done
exit $status
