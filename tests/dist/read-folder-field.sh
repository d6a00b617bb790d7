#!/usr/bin/env bash
# Runs PROGRAM ARGS... on the X display of the caller (a virtual screen), waits for its main
# window, and prints the text of its folder field as a user would get it: click into the field,
# select all, copy, read the clipboard. Then ends the program.
# Usage: read-folder-field.sh PROGRAM [ARGS...]
set -uo pipefail
readonly caption="Программа для удаления одинаковых реплеев"
readonly field_x=100 field_y=430   # inside the folder field, in the window's client area
readonly wait_seconds=60

# On the virtual screen, whatever platform the caller's tests run Qt on.
env -u QT_QPA_PLATFORM "$@" >/dev/null 2>&1 &
program_pid=$!
trap 'kill "$program_pid" 2>/dev/null' EXIT

window=$(timeout "$wait_seconds" xdotool search --sync --onlyvisible --name "^$caption\$" | head -n1)
if [ -z "$window" ]; then
    echo "read-folder-field: no main window appeared" >&2
    exit 1
fi
# A window just shown may not take input yet: ask again until the copy arrives.
deadline=$((SECONDS + wait_seconds))
while [ "$SECONDS" -lt "$deadline" ]; do
    xdotool windowfocus --sync "$window" mousemove --window "$window" "$field_x" "$field_y" click 1 \
        key --clearmodifiers ctrl+a ctrl+c 2>/dev/null
    if text=$(timeout 5 xclip -o -selection clipboard 2>/dev/null); then
        printf '%s\n' "$text"
        exit 0
    fi
    sleep 0.2
done
echo "read-folder-field: nothing was copied from the folder field" >&2
exit 1
