#!/usr/bin/env bash
# Pictures of the program's windows, taken the same way every time, so that two builds can be
# compared pixel by pixel (a change that should change nothing on screen):
#
#   xvfb-run -a -s "-screen 0 1280x1024x24" bash scripts/window-shots.sh BUILD/src/app/dupsweep OUT
#   compare -metric AE OUT/3-about.png OTHER/3-about.png null:    # 0: the same
#
# It starts openbox and the program on a scratch home and a scratch tree of copied real replays
# (REAL, by default the folder beside the clone), then takes the main window before and after a
# scan, the removal's report, the About window and the browse dialog (1-main.png ... 4-browse.png).
# Needs xdotool and ImageMagick's import.
set -euo pipefail
program=$(realpath "$1")
out=$(realpath -m "$2")
real=${REAL:-$(dirname "$0")/../../shared/testdata/replays/real}
mkdir -p "$out"
# One fixed place, since its path shows in the windows.
scratch=${TMPDIR:-/tmp}/dupsweep-window-shots
rm -rf "$scratch"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$scratch"' EXIT
mkdir -p "$scratch/tree/a" "$scratch/tree/b" "$scratch/home/Desktop/Replays"
for name in r02 r03 r04 r05 r21; do
    cp "$real/$name.rep" "$scratch/tree/a/"
    cp "$real/$name.rep" "$scratch/tree/b/"
done
chmod -R u+w "$scratch/tree"
export HOME=$scratch/home LANG=C.UTF-8 LC_ALL=C.UTF-8
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CURRENT_DESKTOP

openbox >/dev/null 2>&1 &
sleep 1
"$program" "$scratch/tree" 2>/dev/null &
main=$(xdotool search --sync --onlyvisible --name "Программа для удаления")
# Each step is given time to draw; the pointer rests away from the buttons, which light up under it.
settle() { sleep "$1"; xdotool mousemove 1 1; sleep 0.5; }
click() { xdotool mousemove --window "$main" "$1" "$2" click 1; }
shot() { import -window "$1" "$out/$2"; }

settle 1;                          shot "$main" 1-main.png
click 380 430; settle 2;           shot "$main" 1-main-found.png       # find
click 540 430; sleep 2             # delete identical: the count box, answered
xdotool key Return
settle 1;                          shot "$(xdotool search --onlyvisible --name 'реплея удаленно' | head -1)" 2-report.png
xdotool windowactivate --sync "$main"
click 690 430; settle 1.5          # about: the program's other window without the main one's caption
about=$(xdotool search --onlyvisible --class dupsweep | while read -r w; do
    [ "$(xdotool getwindowname "$w")" = "$(xdotool getwindowname "$main")" ] || echo "$w"; done | tail -1)
shot "$about" 3-about.png
xdotool key Return; sleep 1
click 300 430; settle 1.5;         shot "$(xdotool search --onlyvisible --name 'Обзор компьютеров' | head -1)" 4-browse.png
xdotool key Escape
