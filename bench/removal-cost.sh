#!/usr/bin/env bash
# What deleting copies costs: `dupsweep-cli dedupe` on a tree of fresh copies, against the same
# command of another build (a base to compare with, such as the last release) and against the
# least the job takes, a dry run plus the bare unlinks of the same files. Runs interleaved, each
# on a freshly generated tree (the removal deletes what it measures).
#
#   bash bench/removal-cost.sh BASE_CLI [BUILD_DIR] [COPIES] [ROUNDS]
#
# BASE_CLI is the dupsweep-cli to compare with; BUILD_DIR (default build-bench, configured and
# built here when missing) gives this tree's dupsweep-cli and the tree generator. Defaults: 10000
# copies, 7 rounds. Prints every run, the medians and the ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/support/median.sh

base=${1:?usage: bench/removal-cost.sh BASE_CLI [BUILD_DIR] [COPIES] [ROUNDS]}
build=${2:-build-bench}
copies=${3:-10000}
rounds=${4:-7}

if [ ! -x "$build/src/cli/dupsweep-cli" ] || [ ! -x "$build/bench/engine/make_replay_tree" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUPSWEEP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" -j 2 --target dupsweep-cli make_replay_tree >/dev/null
fi
cli=$build/src/cli/dupsweep-cli

work=$(mktemp -d "${TMPDIR:-/tmp}/dupsweep-removal-XXXXXX")
trap 'rm -rf "$work"' EXIT
tree=$work/tree

# Every other replay is a copy: 2 * COPIES + 2 replays hold COPIES copies.
fresh_tree() {
    rm -rf "$tree"
    mkdir "$tree"
    "$build/bench/engine/make_replay_tree" "$tree" $((2 * copies + 2)) 1 2 >/dev/null
    sync
}

# Milliseconds one run of the command takes; its standard output goes to $work/out.
run_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >"$work/out" 2>/dev/null || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

# The least a removal must do besides deciding: unlink each file, timed inside one process.
unlink_ms() {
    python3 -c '
import os, sys, time
paths = [os.fsencode(line[:-1]) for line in sys.stdin.buffer.read().decode("utf-8", "surrogateescape").splitlines(True)]
start = time.perf_counter()
for path in paths:
    os.unlink(path)
print(round((time.perf_counter() - start) * 1000))' <"$1"
}


fresh_tree
deleted=$("$cli" dedupe --dry-run "$tree" 2>/dev/null | grep -c "^/" || true)
echo "copies to delete: $deleted"

# The removal's own share of a run: the run less a listing of the same tree just before it.
removal_ms() {
    local list run
    list=$(run_ms "$1" list "$tree")
    shift
    run=$(run_ms "$@")
    echo $((run - list)) "$run"
}

base_times=()
new_times=()
dry_times=()
unlink_times=()
base_whole=()
new_whole=()
for ((r = 1; r <= rounds; r++)); do
    order=(base new)
    ((r % 2)) || order=(new base)
    for which in "${order[@]}"; do
        fresh_tree
        if [ "$which" = base ]; then
            read -r part whole < <(removal_ms "$base" "$base" dedupe "$tree")
            base_times+=("$part")
            base_whole+=("$whole")
        else
            read -r part whole < <(removal_ms "$cli" "$cli" dedupe "$tree")
            new_times+=("$part")
            new_whole+=("$whole")
        fi
    done
    fresh_tree
    read -r part whole < <(removal_ms "$cli" "$cli" dedupe --dry-run "$tree")
    dry_times+=("$part")
    grep "^/" "$work/out" >"$work/list"
    unlink_times+=("$(unlink_ms "$work/list")")
    echo "round $r: removal (run less listing) base ${base_times[-1]} ms, this ${new_times[-1]} ms," \
        "this dry run ${dry_times[-1]} ms, unlinks ${unlink_times[-1]} ms; whole runs base ${base_whole[-1]} ms, this ${new_whole[-1]} ms"
done

b=$(printf '%s\n' "${base_times[@]}" | median)
n=$(printf '%s\n' "${new_times[@]}" | median)
d=$(printf '%s\n' "${dry_times[@]}" | median)
u=$(printf '%s\n' "${unlink_times[@]}" | median)
bw=$(printf '%s\n' "${base_whole[@]}" | median)
nw=$(printf '%s\n' "${new_whole[@]}" | median)
echo "median removal: base $b ms, this $n ms, this dry run $d ms, unlinks $u ms; whole runs: base $bw ms, this $nw ms"
awk -v b="$b" -v n="$n" -v d="$d" -v u="$u" -v bw="$bw" -v nw="$nw" 'BEGIN {
    printf "removal, this / base: %.3f\n", n / b
    printf "removal, this / (dry run + unlinks): %.3f\n", n / (d + u)
    printf "whole run, this / base: %.3f\n", nw / bw
}'
