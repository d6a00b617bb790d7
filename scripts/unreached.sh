#!/usr/bin/env bash
# Lists the functions of the toolkit and of platform/gdi that the desktop program never keeps.
#
# The program is built unoptimised (so no function is inlined away and then reads as unused),
# with every function in a section of its own; the linker drops each section nothing reaches and
# names it; an archive member the linker never loads (the linker's map tells) is unreached as a
# whole. A function counts as the library's when its source is in the library's folder (its
# generated meta-object code included); what the library instantiates from Qt or the standard
# library does not count. Virtual functions and published properties are reached through their
# class's tables, as the program reaches them.
#
#   bash scripts/unreached.sh [BUILD-DIR]      (default: build-reach; -j2, a few minutes at first)
#
# Prints one line per unreached function, then per library the count and the share reached.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-reach}

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDUPSWEEP_BUILD_TESTS=OFF \
      -DDUPSWEEP_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="-ffunction-sections -fdata-sections" \
      -DCMAKE_EXE_LINKER_FLAGS="-Wl,--gc-sections -Wl,--print-gc-sections -Wl,-Map=$PWD/$dir/dupsweep.map" \
      > /dev/null
cmake --build "$dir" -j2 --target dupsweep > /dev/null
# Linked once more on its own, so that the linker's list is all this run prints.
rm -f "$dir/src/app/dupsweep"
cmake --build "$dir" -j2 --target dupsweep 2>&1 | grep "removing unused section" > "$dir/gc-sections.txt" || true

python3 - "$dir" <<'EOF'
import os, re, subprocess, sys

build = sys.argv[1]
# The linker's list: (archive member, section) pairs it dropped.
dropped = set()
for line in open(f"{build}/gc-sections.txt"):
    m = re.search(r"removing unused section '([^']+)' in file '[^(']*(?:\(([^)]+)\))?", line)
    if m:
        dropped.add((m.group(2), m.group(1)))
dropped_names = {section for _, section in dropped}
# The archive members the linker loaded at all; what the others hold nothing reaches.
loaded = set()
for line in open(f"{build}/dupsweep.map"):
    m = re.match(r"^(\S+\.a)\(([^)]+)\)", line)
    if m:
        loaded.add((os.path.basename(m.group(1)), m.group(2)))

def sources(archive):
    """Each function symbol's source file, from the line tables."""
    out = subprocess.run(["nm", "-l", "--defined-only", archive], capture_output=True, text=True).stdout
    files = {}
    for line in out.splitlines():
        parts = line.split("\t")
        fields = parts[0].split()
        if len(fields) == 3 and fields[1] in "TtWw":
            files[fields[2]] = parts[1] if len(parts) > 1 else ""
    return files

def demangle(names):
    out = subprocess.run(["c++filt"], input="\n".join(names), capture_output=True, text=True).stdout
    return out.splitlines()

def measure(title, archive, folder):
    files = sources(archive)
    out = subprocess.run(["objdump", "-t", archive], capture_output=True, text=True).stdout
    member = None
    functions = {}  # one entry per function section: key -> (symbol, unreached)
    for line in out.splitlines():
        m = re.match(r"^(\S+\.o):\s+file format", line)
        if m:
            member = m.group(1)
            continue
        m = re.match(r"^[0-9a-f]+ (.{7}) (\.text\.\S+)\s+[0-9a-f]+ (\S+)$", line)
        if not m or "F" not in m.group(1) or m.group(2).startswith((".text.startup", ".text.unlikely")):
            continue
        flags, section, symbol = m.groups()
        if not re.search(folder, files.get(symbol, "")):
            continue
        # An inline function has a copy in each member that uses it; the linker keeps one of them
        # (from whichever member) and names only that one when it drops it.
        weak = "w" in flags
        key = section if weak else (member, section)
        gone = (os.path.basename(archive), member) not in loaded or (
            section in dropped_names if weak else (member, section) in dropped)
        # Constructors and destructors have several names for one section; one is enough.
        symbol, was_gone = functions.get(key, (symbol, True))
        functions[key] = (symbol, was_gone and gone)
    unreached = sorted(demangle([s for s, gone in functions.values() if gone]))
    for name in unreached:
        print(f"{title}: {name}")
    total = len(functions)
    reached = total - len(unreached)
    share = 100.0 * reached / total if total else 100.0
    return f"{title}: {len(unreached)} of {total} functions unreached, {share:.1f}% reached"

summary = [
    measure("toolkit", f"{build}/src/toolkit/libtoolkit.a", r"/src/toolkit/|toolkit_autogen/"),
    measure("gdi", f"{build}/src/platform/gdi/libplatform_gdi.a", r"/src/platform/gdi/|platform_gdi_autogen/"),
]
print("\n".join(summary))
EOF
