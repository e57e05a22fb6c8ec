#!/usr/bin/env bash
# Prints, for one run on this machine, how Tavrilon.exe compares with a bare window
# program built with the same compiler and flags (tests/bench/minimal_window.cpp):
#   - the size of each exe, for the shipped 32-bit build and for the 64-bit build, and
#     the ratio of the two;
#   - the time from process start to the main window being mapped under Wine, median
#     and range over BENCH_RUNS runs (default 7) of each, and the ratio of the medians.
# The aims are printed beside the figures, never asserted: a figure of speed depends on
# the machine and its load. Exits 0 unless something failed to build or to run.
#
#   tools/bench.sh            BENCH_RUNS=15 tools/bench.sh
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
runs=${BENCH_RUNS:-7}
case $runs in '' | *[!0-9]* | 0) echo "bench: BENCH_RUNS must be a positive number" >&2; exit 2 ;; esac
aim_size_kib=32
aim_ratio=1.05
aim_size_ratio=1.3

bash "$here/setup.sh" >/dev/null
cd "$here/.."
bench=$PWD/build/bench
mkdir -p "$bench"
# One benchmark at a time: they would share the prefix and slow each other down. What
# runs in the background is started without the lock's descriptor.
exec 8>"$bench/bench.lock"
flock 8

for preset in win32 win64; do
    [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
    targets=(Tavrilon minimal_window)
    [ "$preset" = win64 ] && targets+=(inspector)  # holds the desktop, see below
    # The build regenerates itself first when CMakeLists.txt has changed.
    if ! cmake --build --preset "$preset" --target "${targets[@]}" >"$bench/build.log" 2>&1; then
        cat "$bench/build.log" >&2
        grep -q "unknown target 'minimal_window'" "$bench/build.log" &&
            echo "bench: CMakeLists.txt must build tests/bench/minimal_window.cpp as the" \
                 "target minimal_window, with Tavrilon's flags" >&2
        exit 1
    fi
done
gcc -O2 -Wall -Wextra -o "$bench/mapwait" tools/bench/mapwait.c -lX11

size_of() { stat -c %s "$1"; }
kib() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1024 }'; }

# shellcheck source=tools/wine-env.sh
source "$here/wine-env.sh"
# A prefix of the benchmark's own: its server is kept running between the runs and
# stopped at the end, which must not touch the programs of tests using the shared one.
prefix=$bench/prefix64
ensure_prefix64 "$prefix"
export WINEPREFIX=$prefix
trap 'stop_wine "$prefix"; wine_env_cleanup' EXIT
start_xvfb 1024x768x24 8>&-

# The programs run from a client folder as a player would start Tavrilon.exe.
client=$(mktemp -d "$bench/client.XXXXXX")
_wine_env_cleanups+=("rm -rf '$client'")
: >"$client/Client.exe"
cp build/win64/Tavrilon.exe build/win64/minimal_window.exe "$client/"
cd "$client"

# A persistent server, so that each run measures the program rather than the start of
# Wine's server and its system processes.
stop_wine "$prefix"
"$WINESERVER" -p >/dev/null 2>&1 8>&-
# Wine closes the desktop (its explorer.exe) about a second after the last program on it
# has ended, and the next program starts a new one: starts paid for a new desktop or
# not depending on the gap before them, and a start that meets a desktop being closed
# may find no desktop window to create its own under (the bare window then ends with
# code 1 or 2, which is how its first start after a new prefix once failed). A program
# that stays for the whole run holds one desktop, made before any timing: the
# inspector's query opens it and waits for it.
"$WINE64" "$REPO/build/win64/inspector.exe" hold >/dev/null 2>&1 8>&- &
"$WINE64" "$REPO/build/win64/inspector.exe" window Tavrilon >/dev/null 2>&1 8>&- || true

# Ends the program mapwait left running. It is not our child, so it is watched through
# /proc; a zombie counts as ended, as nothing may reap it here.
end_program() {
    local pid=$1 state
    kill -KILL "$pid" 2>/dev/null || true
    while state=$(awk '{ print $3 }' "/proc/$pid/stat" 2>/dev/null) && [ "$state" != Z ]; do
        sleep 0.05
    done
}

# Sets ms to the milliseconds from the start of $2 to its window titled $1 being mapped.
# Wine's error messages of the start are kept, to explain a failed one.
time_start() {
    local title=$1 exe=$2 pid_file=$bench/program.pid log=$bench/program.log
    rm -f "$pid_file"
    if ! ms=$(WINEDEBUG=err+all "$bench/mapwait" --pid-file "$pid_file" "$title" -- \
            "$WINE64" "$exe" 2>"$log" 8>&-); then
        [ -s "$pid_file" ] && end_program "$(cat "$pid_file")"
        echo "bench: $exe did not show its window \"$title\"; its start ended:" >&2
        tail -n 20 "$log" >&2
        return 1
    fi
    end_program "$(cat "$pid_file")"
}

# The first start of each program after the server's start is slower (system processes,
# file cache): one untimed start of each.
time_start Tavrilon Tavrilon.exe
time_start MinimalWindow minimal_window.exe

tavrilon_ms=()
minimal_ms=()
for ((i = 0; i < runs; i++)); do
    # Which program goes first alternates, so that neither always follows the other.
    if ((i % 2 == 0)); then order="Tavrilon minimal"; else order="minimal Tavrilon"; fi
    for program in $order; do
        if [ "$program" = Tavrilon ]; then
            time_start Tavrilon Tavrilon.exe
            tavrilon_ms+=("$ms")
        else
            time_start MinimalWindow minimal_window.exe
            minimal_ms+=("$ms")
        fi
    done
done
cd "$REPO"

# median min max of the numbers given
stats() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.1f %.1f %.1f", m, v[1], v[NR] }'; }
read -r t_med t_min t_max <<<"$(stats "${tavrilon_ms[@]}")"
read -r m_med m_min m_max <<<"$(stats "${minimal_ms[@]}")"
ratio=$(awk -v t="$t_med" -v m="$m_med" 'BEGIN { printf "%.2f", t / m }')
min_ratio=$(awk -v t="$t_min" -v m="$m_min" 'BEGIN { printf "%.2f", t / m }')

shipped=$(size_of build/win32/Tavrilon.exe)
verdict() { if [ "$1" = 1 ]; then echo met; else echo "not met"; fi; }
size_met=$(awk -v b="$shipped" -v k="$aim_size_kib" 'BEGIN { print (b <= k * 1024) }')
bare=$(size_of build/win32/minimal_window.exe)
size_ratio=$(awk -v t="$shipped" -v m="$bare" 'BEGIN { printf "%.2f", t / m }')
size_ratio_met=$(awk -v r="$size_ratio" -v a="$aim_size_ratio" 'BEGIN { print (r <= a) }')
ratio_met=$(awk -v r="$ratio" -v a="$aim_ratio" 'BEGIN { print (r <= a) }')

echo "Tavrilon benchmark: one run on this machine ($(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg), $("$WINE64" --version))"
echo
echo "Size of the stripped exe (minimal_window: a bare window built with the same compiler, flags and resources)"
printf '  %-17s %-22s %-22s %-11s %s\n' build Tavrilon.exe minimal_window.exe difference ratio
for preset in win32 win64; do
    t=$(size_of "build/$preset/Tavrilon.exe")
    m=$(size_of "build/$preset/minimal_window.exe")
    label=$preset
    [ "$preset" = win32 ] && label="win32 (shipped)"
    printf '  %-17s %-22s %-22s %-11s %s\n' "$label" "$t B ($(kib "$t") KiB)" \
        "$m B ($(kib "$m") KiB)" "$(printf '%+d B' $((t - m)))" \
        "$(awk -v t="$t" -v m="$m" 'BEGIN { printf "%.2f", t / m }')"
done
echo
echo "Start-up under Wine: process start to main window mapped, $runs runs each after one warm-up"
echo "  Timed: the 64-bit builds under wine64, in a persistent wineserver on an Xvfb display."
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
    echo "  The 32-bit Wine runs under qemu emulation here (tens of seconds a start),"
    echo "  which would measure the emulator, not the program."
else
    echo "  The 32-bit build is not timed, so that the figures compare across machines."
fi
printf '  %-20s %9s %9s %9s   %s\n' program "median ms" "min ms" "max ms" "each run (ms)"
printf '  %-20s %9s %9s %9s   %s\n' Tavrilon.exe "$t_med" "$t_min" "$t_max" "${tavrilon_ms[*]}"
printf '  %-20s %9s %9s %9s   %s\n' minimal_window.exe "$m_med" "$m_min" "$m_max" "${minimal_ms[*]}"
echo "  ratio of the medians (Tavrilon / minimal): $ratio"
echo "  ratio of the fastest runs, which other load on the machine disturbs less: $min_ratio"
echo
echo "Aims (printed, not asserted)"
echo "  shipped exe within $aim_size_kib KiB including its resources: $shipped B ($(kib "$shipped") KiB): $(verdict "$size_met")"
echo "  shipped exe at most $aim_size_ratio times the bare window: $size_ratio: $(verdict "$size_ratio_met")"
echo "  start-up ratio at most $aim_ratio: $ratio: $(verdict "$ratio_met")"
