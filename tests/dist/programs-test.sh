#!/usr/bin/env bash
# Both installed programs, run from BIN_DIR as a user runs them: their versions and help need no
# display, an unknown option is a usage error, and the desktop program, on a virtual screen,
# starts with the folder its command line names in the folder field.
# Usage: programs-test.sh BIN_DIR VERSION
set -uo pipefail
bin=$1
version=$2
here=$(dirname "$(realpath "$0")")

failures=0
expect()
{
    local what=$1 got=$2 wanted=$3
    if [ "$got" != "$wanted" ]; then
        printf 'programs-test: FAILED: %s\n  got:    %q\n  wanted: %q\n' "$what" "$got" "$wanted" >&2
        failures=$((failures + 1))
    fi
}

no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
expect "dupsweep-cli --version" "$("$bin/dupsweep-cli" --version)" "dupsweep-cli $version"
expect "dupsweep --version without a display" "$("${no_display[@]}" "$bin/dupsweep" --version)" "dupsweep $version"
"${no_display[@]}" "$bin/dupsweep" --help >/dev/null
expect "dupsweep --help without a display" "$?" 0
"${no_display[@]}" "$bin/dupsweep" --no-such-option 2>/dev/null
expect "an unknown option: a usage error, no window" "$?" 2

on_screen=(xvfb-run -a -s "-screen 0 1280x1024x24" bash "$here/read-folder-field.sh" "$bin/dupsweep")
folder="/nowhere/мои реплеи (копии)"
expect "dupsweep FOLDER" "$("${on_screen[@]}" "$folder")" "$folder"
expect "dupsweep -- -FOLDER" "$("${on_screen[@]}" -- -old)" "-old"

[ "$failures" -eq 0 ]
