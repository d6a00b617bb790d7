#!/usr/bin/env bash
# run-unprivileged.sh USER PROGRAM [ARGUMENTS...]
# Runs a test program so that permission bits apply to it. Run by root, it drops to USER with
# setpriv; run by anyone else, it runs the program as it is. Either way the program is told that
# the run must be unprivileged, so its tests of refused permissions fail instead of skipping
# when they find themselves root.
set -euo pipefail
user=$1
program=$2
shift 2
export DUPSWEEP_UNPRIVILEGED_RUN=1
if [ "$(id -u)" -ne 0 ]; then
    exec "$program" "$@"
fi
if ! group=$(id -g "$user"); then
    echo "run-unprivileged: no user $user to run the tests as" >&2
    exit 1
fi
# The build tree may lie where that user cannot go (under /root), and so may TMPDIR: the program
# runs from a copy in a folder of its own, with a temporary folder of the user's inside it, and
# both go with the run.
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp "$program" "$copy/"
mkdir "$copy/tmp"
chown "$user:$group" "$copy/tmp"
chmod 0755 "$copy"
chmod 0700 "$copy/tmp"
cd "$copy"
TMPDIR="$copy/tmp" setpriv --reuid="$user" --regid="$group" --clear-groups -- "./$(basename "$program")" "$@"
