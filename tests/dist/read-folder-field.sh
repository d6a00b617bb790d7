#!/usr/bin/env bash
# Runs PROGRAM ARGS... on the X display of the caller (a virtual screen), waits for its main
# window, and prints the text of its folder field as a user would get it: click into the field,
# select all, copy, read the clipboard. Then ends the program and the window manager.
# Usage: read-folder-field.sh PROGRAM [ARGS...]
set -euo pipefail
readonly caption="Программа для удаления одинаковых реплеев"
readonly field_x=100 field_y=430   # inside the folder field, in the window's client area
readonly wait_seconds=60

openbox >/dev/null 2>&1 &
openbox_pid=$!
# On the virtual screen, whatever platform the caller's tests run Qt on.
env -u QT_QPA_PLATFORM "$@" >/dev/null 2>&1 &
program_pid=$!
trap 'kill "$program_pid" "$openbox_pid" 2>/dev/null || true' EXIT

window=$(timeout "$wait_seconds" xdotool search --sync --onlyvisible --name "^$caption\$" | head -n1)
xdotool windowactivate --sync "$window"
xdotool mousemove --window "$window" "$field_x" "$field_y" click 1
xdotool key --window "$window" --clearmodifiers ctrl+a ctrl+c
# The copy is the program's answer to a key press: wait until the clipboard holds it.
for _ in $(seq 1 "$((wait_seconds * 10))"); do
    if text=$(xclip -o -selection clipboard 2>/dev/null); then
        printf '%s\n' "$text"
        exit 0
    fi
    sleep 0.1
done
echo "read-folder-field: nothing was copied from the folder field" >&2
exit 1
