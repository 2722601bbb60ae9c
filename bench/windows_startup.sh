#!/usr/bin/env bash
# Start-up of the Windows program under Wine against the bare Qt window built the same way
# (bench_bare_window.exe of the Windows build, beside the same DLLs), both on the offscreen
# platform, started alternately with the Wine server kept running: wall time from the start of
# wine to its end, as medians and their ratio. Each process ends after its window's first paint
# (the program through CF20914_EXIT_AFTER_FIRST_PAINT). Wine's own start is in both figures.
# Needs ./build.sh windows first.
#   bench/windows_startup.sh [runs of each, 15]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
build=build-windows
for file in program/CF20914.exe bench/bench_bare_window.exe; do
    [ -f "$build/$file" ] || {
        echo "no $build/$file: run ./build.sh windows first" >&2
        exit 1
    }
done

work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
# A program folder as a user has it, with one configuration; the bare window beside the same DLLs.
cp -r "$build/program" "$work/CF20914"
mkdir -p "$work/CF20914/PROJECTS/Plant/bin"
cp "$build/bench/bench_bare_window.exe" "$work/CF20914/"
# The offscreen platform, which the zip leaves out, from the Windows Qt; Debian's DejaVu fonts.
cp "$(dist/windows/build-qt.sh --prefix)/plugins/platforms/qoffscreen.dll" "$work/CF20914/platforms/"
timeout 300 wineboot --init
timeout 60 wineserver --wait
wineserver -p # stays up between the runs, as it does while a Windows session lasts
export WINEQT_QPA_PLATFORM=offscreen CF20914_EXIT_AFTER_FIRST_PAINT=1
export WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'

# Milliseconds one start of PROGRAM took, to the end of its process.
start_ms() {
    local started ended
    started=$(date +%s%N)
    (cd "$work/CF20914" && timeout 120 wine "$1" >/dev/null 2>&1) || {
        echo "$1 did not start and end within 120 s" >&2
        exit 1
    }
    ended=$(date +%s%N)
    echo $(((ended - started) / 1000000))
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One unmeasured start of each fills the page cache and the program's folders.
start_ms CF20914.exe >/dev/null
start_ms bench_bare_window.exe >/dev/null
program=() bare=()
for _ in $(seq "$runs"); do
    program+=("$(start_ms CF20914.exe)")
    bare+=("$(start_ms bench_bare_window.exe)")
done
program_ms=$(printf '%s\n' "${program[@]}" | median)
bare_ms=$(printf '%s\n' "${bare[@]}" | median)
echo "runs: $runs of each, alternately, under Wine on the offscreen platform (medians)"
printf '%-16s %10s %12s %8s %15s\n' "" CF20914.exe "bare window" ratio "target at most"
awk -v program="$program_ms" -v bare="$bare_ms" \
    'BEGIN { printf "%-16s %10.1f %12.1f %8.2f %15.2f\n", "wall time (ms)", program, bare, program / bare, 1.2 }'
