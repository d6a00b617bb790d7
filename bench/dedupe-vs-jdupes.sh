#!/usr/bin/env bash
# Whole-process benchmark, warm cache and cold, runs interleaved (each round starting with
# another command) on the same generated trees:
#   `dupsweep-cli list`              against replay_probe (one thread: walk, open, size, read
#                                    records 50 and 40, close; the least a scan must do)
#   `dupsweep-cli dedupe --dry-run`  against `jdupes -r -q -A -X onlyext:rep` (finding the same
#                                    duplicates, contents compared)
#
#   bash bench/dedupe-vs-jdupes.sh [BUILD_DIR] [WARM_REPLAYS] [COLD_REPLAYS] [ROUNDS]
#
# Defaults: build-bench (configured and built here when missing), 100000 warm replays (sparse
# files), 20000 cold replays (every byte written, so that reading them reaches the disk), 5
# rounds. Replays are 14 to 158 KB (88 KB on average), one in ten a copy of another. A cold run
# starts with the page cache dropped (as root, through /proc/sys/vm/drop_caches); where that
# cannot be done, every file of the tree is evicted with posix_fadvise(POSIX_FADV_DONTNEED)
# instead, which leaves folders and inodes cached, and the script says so. Prints every run, the
# medians and the ratios with their goals.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/support/median.sh

build=${1:-build-bench}
warm_replays=${2:-100000}
cold_replays=${3:-20000}
rounds=${4:-5}
copy_every=10
max_bytes=161792

if [ ! -x "$build/src/cli/dupsweep-cli" ] || [ ! -x "$build/bench/engine/make_replay_tree" ] \
    || [ ! -x "$build/bench/engine/replay_probe" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUPSWEEP_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" -j 2 --target dupsweep-cli make_replay_tree replay_probe >/dev/null
fi
command -v jdupes >/dev/null || { echo "jdupes is not installed (bash scripts/setup.sh)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/dupsweep-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/warm" "$work/cold"
"$build/bench/engine/make_replay_tree" "$work/warm" "$warm_replays" 1 "$copy_every" "$max_bytes"
"$build/bench/engine/make_replay_tree" "$work/cold" "$cold_replays" 2 "$copy_every" "$max_bytes" dense
sync

if echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
    eviction="page cache, folders and inodes dropped before each cold run (/proc/sys/vm/drop_caches)"
    evict() { sync; echo 3 >/proc/sys/vm/drop_caches; }
else
    eviction="the page cache cannot be dropped here (not root): each file's cached pages are evicted"
    eviction+=" with posix_fadvise(POSIX_FADV_DONTNEED) before each cold run; folders and inodes stay cached"
    evict() {
        python3 -c '
import os, sys
for folder, _, names in os.walk(sys.argv[1]):
    for name in names:
        fd = os.open(os.path.join(folder, name), os.O_RDONLY)
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        os.close(fd)' "$1"
    }
fi
echo "cold runs: $eviction"

cli=$build/src/cli/dupsweep-cli
probe=$build/bench/engine/replay_probe

# Milliseconds one run of the command takes, its output thrown away.
run_ms() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}


# Same answer first: the groups jdupes finds are the groups dupsweep-cli would thin out.
for tree in warm cold; do
    deleted=$("$cli" dedupe --dry-run "$work/$tree" 2>/dev/null | grep -c "^/" || true)
    surplus=$(jdupes -r -q -A -X onlyext:rep "$work/$tree" 2>/dev/null \
        | awk 'NF == 0 { if (n > 0) g += n - 1; n = 0; next } { n++ } END { if (n > 0) g += n - 1; print g + 0 }')
    echo "$tree tree: files dupsweep-cli would delete: $deleted; surplus copies jdupes finds: $surplus"
done

commands=(list probe dedupe jdupes)
declare -A times
run() { # which tree
    local tree=$work/$2
    case $1 in
    list) run_ms "$cli" list "$tree" ;;
    probe) run_ms "$probe" "$tree" ;;
    dedupe) run_ms "$cli" dedupe --dry-run "$tree" ;;
    jdupes) run_ms jdupes -r -q -A -X onlyext:rep "$tree" ;;
    esac
}

# All warm rounds first: dropping the cache for a cold run would leave the next warm round cold.
for c in "${commands[@]}"; do run "$c" warm >/dev/null; done # warm the cache for every command
for tree in warm cold; do
    for ((r = 1; r <= rounds; r++)); do
        line="round $r, $tree:"
        for ((i = 0; i < ${#commands[@]}; i++)); do
            c=${commands[$(((i + r) % ${#commands[@]}))]} # each round starts with another command
            [ "$tree" = cold ] && evict "$work/cold"
            t=$(run "$c" "$tree")
            times[$tree.$c]+="$t "
            line+=" $c $t ms,"
        done
        echo "${line%,}"
    done
done

med() { printf '%s\n' ${times[$1]} | median; }
for tree in warm cold; do
    l=$(med "$tree.list") p=$(med "$tree.probe") d=$(med "$tree.dedupe") j=$(med "$tree.jdupes")
    if [ "$tree" = warm ]; then list_goal=0.7 dedupe_goal=0.4; else list_goal=0.5 dedupe_goal=0.6; fi
    echo "median, $tree: list $l ms, probe $p ms, dedupe --dry-run $d ms, jdupes $j ms"
    awk -v l="$l" -v p="$p" -v d="$d" -v j="$j" -v lg="$list_goal" -v dg="$dedupe_goal" -v t="$tree" 'BEGIN {
        printf "%s: list / probe %.3f (goal: at most %s); dedupe --dry-run / jdupes %.3f (goal: at most %s)\n", t, l / p, lg, d / j, dg
    }'
done
