#!/usr/bin/env bash
# An install into a prefix through DESTDIR works from wherever that prefix is moved: everything
# a desktop looks for is there, nothing installed names the build tree, and both programs run
# from the moved tree.
# Usage: install-test.sh BUILD_DIR [release|sanitized]
# A sanitized build names its generated sources for its reports, so it is not held to the rule.
set -euo pipefail
build=$(realpath "$1")
kind=${2:-release}
here=$(dirname "$(realpath "$0")")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

DESTDIR=$scratch/stage cmake --install "$build" --prefix /opt/dupsweep --strip >/dev/null
mv "$scratch/stage/opt/dupsweep" "$scratch/moved"
prefix=$scratch/moved
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

failures=0
fail() { echo "install-test: FAILED: $*" >&2; failures=$((failures + 1)); }

expected=(
    bin/dupsweep bin/dupsweep-cli
    share/applications/org.example.Dupsweep.desktop
    share/metainfo/org.example.Dupsweep.metainfo.xml
    share/man/man1/dupsweep.1.gz share/man/man1/dupsweep-cli.1.gz
    share/bash-completion/completions/dupsweep-cli
    share/icons/hicolor/scalable/apps/dupsweep.svg
    share/doc/dupsweep/copyright share/doc/dupsweep/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/dupsweep.png")
done
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
for size in 16 256; do
    [ "$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${size}x${size}/apps/dupsweep.png")" = "${size}x${size}" ] ||
        fail "the ${size}x${size} icon has another size"
done
if [ "$kind" = release ] && grep -rlF "$build" "$prefix" >&2; then
    fail "installed files name the build tree $build"
fi

bash "$here/programs-test.sh" "$prefix/bin" "$version" || fail "the programs of the moved tree"

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "install-test: the tree installed under /opt/dupsweep works from $prefix"
