#!/usr/bin/env bash
# The Debian package as a user meets it: built by scripts/package.sh, checked by Debian's and the
# desktop's own validators, installed with apt, its programs run from /usr/bin, then purged
# without a trace. Installing is system-wide: run by scripts/test.sh after the other tests, as
# root (CI); anyone else gets a skip.
set -euo pipefail
cd "$(dirname "$0")/../.."

if [ "$(id -u)" -ne 0 ]; then
    echo "package-test: SKIPPED: installing the package system-wide needs root"
    exit 0
fi
if [ "$(dpkg-query -W -f='${Status}' dupsweep 2>/dev/null || true)" = "install ok installed" ]; then
    echo "package-test: SKIPPED: dupsweep is installed on this machine, and the test would remove it"
    exit 0
fi

passed=0
failed=0
check()
{
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "package-test: FAILED: $what" >&2
        failed=$((failed + 1))
    fi
}
same() { [ "$1" = "$2" ] || { printf '  got:    %q\n  wanted: %q\n' "$1" "$2" >&2; return 1; }; }
silent() { local said; said=$("$@" 2>&1) && [ -z "$said" ] || { printf '%s\n' "$said" >&2; return 1; }; }

bash scripts/package.sh
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-pkg/CMakeCache.txt)
deb=build-pkg/dupsweep_${version}_$(dpkg --print-architecture).deb
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# What is in the package, before anything is installed.
check "lintian finds no error or warning" lintian --fail-on error,warning "$deb"
check "the package's version is the project's" same "$(dpkg-deb -f "$deb" Version)" "$version"
dpkg-deb -x "$deb" "$scratch/root"
check "the changelog's version is the project's" \
    same "$(dpkg-parsechangelog -l dist/debian/changelog -S Version)" "$version"
metainfo=$scratch/root/usr/share/metainfo/org.example.Dupsweep.metainfo.xml
check "the metainfo names the release" grep -q "<release version=\"$version\"" "$metainfo"
check "appstreamcli accepts the metainfo" appstreamcli validate --no-net "$metainfo"
check "desktop-file-validate accepts the desktop entry" \
    silent desktop-file-validate "$scratch/root/usr/share/applications/org.example.Dupsweep.desktop"
for page in dupsweep dupsweep-cli; do
    check "groff reads the manual page of $page without a word" \
        silent sh -c "zcat '$scratch/root/usr/share/man/man1/$page.1.gz' | groff -man -ww -z"
done
in_synopsis() { zcat "$1" | sed -n '/^\.SH SYNOPSIS/,/^\.SH DESCRIPTION/p' | grep -q "$2"; }
for command in list dedupe; do
    check "the SYNOPSIS of dupsweep-cli's manual page holds its $command command" \
        in_synopsis "$scratch/root/usr/share/man/man1/dupsweep-cli.1.gz" "$command"
done

# Installed as a user installs it, and run from where it went. A tool never takes over folders:
# whatever opened them before (nothing, on a machine without a desktop) still does.
folder_opener() { xdg-mime query default inode/directory 2>&1; }
opener_before=$(folder_opener)
apt-get install -y -q "./$deb" >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; exit 1; }
check "installing leaves the program that opens folders as it was" same "$(folder_opener)" "$opener_before"
dpkg -L dupsweep >"$scratch/files"
check "the installed programs" bash tests/dist/programs-test.sh /usr/bin "$version"

# Purged, nothing of it is left: what stays is a folder another package also owns.
apt-get remove --purge -y -q dupsweep >"$scratch/apt.log" 2>&1 || { cat "$scratch/apt.log" >&2; exit 1; }
left_behind()
{
    local path found=1
    while IFS= read -r path; do
        if [ -d "$path" ] && [ ! -L "$path" ]; then
            dpkg-query -S "$path" >/dev/null 2>&1 && continue
        elif [ ! -e "$path" ] && [ ! -L "$path" ]; then
            continue
        fi
        echo "  left behind: $path" >&2
        found=0
    done <"$scratch/files"
    return $((1 - found))
}
check "apt remove --purge leaves no file of the package" left_behind

echo "package-test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
