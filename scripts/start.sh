#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target dupsweep dupsweep-cli
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<'MESSAGE'
dupsweep is a desktop program: it needs a graphical session, and none was found (neither
DISPLAY nor WAYLAND_DISPLAY is set).
To try it without one, run it on a virtual screen:
    xvfb-run -a -s "-screen 0 1280x1024x24" build/src/app/dupsweep
For scripts, build/src/cli/dupsweep-cli runs the same engine without any window.
MESSAGE
    exit 1
fi
exec build/src/app/dupsweep
