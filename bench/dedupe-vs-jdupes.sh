#!/usr/bin/env bash
# Whole-process benchmark: `dupsweep-cli dedupe --dry-run` against `jdupes -r -q -A -X onlyext:rep`
# finding the duplicate groups of the same generated tree, warm cache, runs interleaved.
#
#   bash bench/dedupe-vs-jdupes.sh [BUILD_DIR] [REPLAYS] [ROUNDS]
#
# Defaults: build-bench (configured and built here when missing), 100000 replays, 7 rounds.
# Prints each run, the medians and their ratio; the goal is a ratio of at most 0.7.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
replays=${2:-100000}
rounds=${3:-7}

if [ ! -x "$build/src/cli/dupsweep-cli" ] || [ ! -x "$build/bench/engine/make_replay_tree" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUPSWEEP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" -j 2 --target dupsweep-cli make_replay_tree >/dev/null
fi
command -v jdupes >/dev/null || { echo "jdupes is not installed (bash scripts/setup.sh)" >&2; exit 1; }

tree=$(mktemp -d "${TMPDIR:-/tmp}/dupsweep-bench-XXXXXX")
trap 'rm -rf "$tree"' EXIT
"$build/bench/engine/make_replay_tree" "$tree" "$replays"

cli=("$build/src/cli/dupsweep-cli" dedupe --dry-run "$tree")
jd=(jdupes -r -q -A -X onlyext:rep "$tree")

# Milliseconds one run of the command takes, its output thrown away.
run_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Same answer first: the groups jdupes finds are the groups dupsweep-cli would thin out.
deleted=$("${cli[@]}" 2>/dev/null | grep -c "^/" || true)
groups=$("${jd[@]}" 2>/dev/null | awk 'NF == 0 { if (n > 0) g += n - 1; n = 0; next } { n++ } END { if (n > 0) g += n - 1; print g + 0 }')
echo "files dupsweep-cli would delete: $deleted; surplus copies jdupes finds: $groups"

run_ms "${cli[@]}" >/dev/null # warm the cache
run_ms "${jd[@]}" >/dev/null
cli_times=()
jd_times=()
for ((r = 1; r <= rounds; r++)); do
    if ((r % 2)); then
        cli_times+=("$(run_ms "${cli[@]}")")
        jd_times+=("$(run_ms "${jd[@]}")")
    else
        jd_times+=("$(run_ms "${jd[@]}")")
        cli_times+=("$(run_ms "${cli[@]}")")
    fi
    echo "round $r: dupsweep-cli ${cli_times[-1]} ms, jdupes ${jd_times[-1]} ms"
done

cli_median=$(printf '%s\n' "${cli_times[@]}" | median)
jd_median=$(printf '%s\n' "${jd_times[@]}" | median)
ratio=$(awk -v a="$cli_median" -v b="$jd_median" 'BEGIN { printf "%.3f", a / b }')
echo "median: dupsweep-cli $cli_median ms, jdupes $jd_median ms, ratio $ratio (goal: at most 0.7)"
