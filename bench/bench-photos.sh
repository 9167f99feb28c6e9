# What the send benchmarks share, sourced by them: the programs they need,
# the run's folder, the photos, the clock, the scaling floor, the timed send
# and the uploader's peak memory.
# Expects `bench` (its name), `build`, `cli` and `uploader` set, and
# start_work called before scaling_floor; sets `photos`, `photo_dir` and, in
# make_photos, `files`.

photos=${PHOTOS:-100}
photo_dir=${PHOTO_DIR:-${TMPDIR:-/tmp}/flazz-bench/photos-24mp-$photos}

# Stops the bench (status 2) unless every program named is there: one in
# the build folder, or installed.
need() {
    local program
    for program in "$@"; do
        command -v "$program" >/dev/null && continue
        if [[ $program == "$build"/* ]]; then
            echo "$bench: $program is missing; build first" >&2
        else
            echo "$bench: $program is missing" >&2
        fi
        exit 2
    done
}

# The 24 MP photos take long to make, so they are made once and kept.
make_photos() {
    if [[ $(find "$photo_dir" -name '*.jpg' 2>/dev/null | wc -l) -ne $photos ]]; then
        rm -rf "$photo_dir"
        "$build/bench/flazz-photoset-bench" --make "$photos" "$photo_dir" >&2
    fi
    mapfile -t files < <(find "$photo_dir" -name '*.jpg' | sort)
}

# This run's folder, gone when the bench ends, and with it the server the
# bench started (`server_pid`). Everything the program keeps (settings,
# queue, desktop, instance locks) stays in it.
start_work() {
    work=$(mktemp -d)
    server_pid=
    trap stop_work EXIT
    export FLAZZ_SHELL_ROOT=$work/root
    mkdir -p "$FLAZZ_SHELL_ROOT"
}
stop_work() {
    [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# Floor 1: scaling alone, as the Zip button does it, into $work/zip; sets
# `scale_s`.
scaling_floor() {
    local start
    start=$(now)
    "$cli" zip --size 1600 --out "$work/zip" "${files[@]}" >/dev/null 2>&1
    scale_s=$(seconds "$start" "$(now)")
    printf 'scaling-floor-s\t%s\n' "$scale_s"
}

# Sends the photos at 1600 px to the folder Bench of `$1`, timed into
# `total_s`. When not all of them reach `$2`, says what went wrong and sets
# `status` to 1.
send_photos() {
    local start
    start=$(now)
    if ! "$cli" send "$1" --size 1600 --folder Bench --services "$work/services.ini" "${files[@]}" \
        >"$work/send.out" 2>"$work/send.err"; then
        status=1
        echo "$bench: not every photo reached $2" >&2
        grep -v '^sent' "$work/send.out" | head -5 >&2 || true
        tail -3 "$work/send.err" >&2
    fi
    total_s=$(seconds "$start" "$(now)")
}

# Every uploader started from now on runs under GNU time, which adds its
# peak memory (with its children's) to $work/uploader-memory; the arguments
# go to the uploader before the job's own.
time_uploaders() {
    cat >"$work/uploader" <<SCRIPT
#!/bin/sh
exec /usr/bin/time -a -o "$work/uploader-memory" -f "%M" "$uploader" $* "\$@"
SCRIPT
    chmod +x "$work/uploader"
    export FLAZZ_UPLOADER=$work/uploader
}

# The largest peak written since $work/uploader-memory was emptied, in MB.
uploader_peak_mb() {
    awk '$1 ~ /^[0-9]+$/ && $1 > m { m = $1 } END { printf "%.0f", m / 1024 }' "$work/uploader-memory"
}
