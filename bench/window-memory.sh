#!/usr/bin/env bash
# What the program's windows hold in memory: the resident size of `dupsweep` with its main
# window shown, and again with the About window open over it, against another build's program
# (a base to compare with, such as one built from an earlier commit). Runs interleaved under
# Xvfb with openbox, each program started afresh with an empty home.
#
#   bash bench/window-memory.sh BASE_PROGRAM [BUILD_DIR] [ROUNDS]
#
# BUILD_DIR (default build) holds this tree's program, built already. Default: 5 rounds.
# Prints every run, the medians and the ratios (this build / base).
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/support/median.sh

base=${1:?usage: bench/window-memory.sh BASE_PROGRAM [BUILD_DIR] [ROUNDS]}
build=${2:-build}
rounds=${3:-5}
program=$(realpath "$build/src/app/dupsweep")
base=$(realpath "$base")

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$base" "$build" "$rounds"
fi

export HOME=$(mktemp -d)
trap 'rm -rf "$HOME"' EXIT
cd "$HOME"
openbox >/dev/null 2>&1 &
wm=$!
sleep 1

resident() { awk '/^Rss:/ { s += $2 } END { print s }' "/proc/$1/smaps_rollup"; }

# The About button's place in the main window's client area.
about_x=700
about_y=430

measure() {
    "$1" >/dev/null 2>&1 &
    local app=$!
    local window
    window=$(xdotool search --sync --onlyvisible --pid "$app" | head -1)
    sleep 2
    local x y
    x=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ { print $4 }')
    y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ { print $4 }')
    local main
    main=$(resident "$app")
    xdotool mousemove $((x + about_x)) $((y + about_y))
    sleep 1
    xdotool click 1
    sleep 2
    echo "$main $(resident "$app")"
    kill "$app"
    wait "$app" 2>/dev/null || true
}


results=$(mktemp)
for ((round = 1; round <= rounds; ++round)); do
    read -r main about < <(measure "$base")
    echo "base  main ${main} kB  about ${about} kB" | tee -a "$results"
    read -r main about < <(measure "$program")
    echo "build main ${main} kB  about ${about} kB" | tee -a "$results"
done
kill "$wm"

for window in main about; do
    column=$([ "$window" = main ] && echo 3 || echo 6)
    b=$(awk -v c="$column" '$1 == "base" { print $c }' "$results" | median)
    t=$(awk -v c="$column" '$1 == "build" { print $c }' "$results" | median)
    awk -v w="$window" -v b="$b" -v t="$t" 'BEGIN { printf "%s window: base %d kB, build %d kB, ratio %.3f\n", w, b, t, t / b }'
done
rm -f "$results"
