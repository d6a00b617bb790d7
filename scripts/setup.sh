#!/usr/bin/env bash
# Installs the system packages Dupsweep needs: with no argument what building, packaging and
# running it need (start.sh, package.sh); with --tests also what the tests, the packaging checks
# and the benchmarks need (test.sh).
# Quick when everything is already there: apt is only consulted for what is missing.
set -euo pipefail

packages=(
    # building
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev libgl-dev libjpeg62-turbo-dev
    # the trash through GIO, and closing a window that a modal one blocks (X11)
    libglib2.0-dev libxcb1-dev
    # the icon's pictures and the manual pages, made at build time
    librsvg2-bin help2man
    # the Debian package: dpkg-shlibdeps comes with build-essential, CPack asks file what is a program
    file
    # running: the X11 platform plugin, Qt's own words in the user's language, the fonts and the
    # icon theme the windows use, xdg-open, and a virtual screen to try it without a session
    qt6-qpa-plugins qt6-translations-l10n
    fonts-dejavu-core fonts-liberation adwaita-icon-theme
    xdg-utils
    xvfb xauth
)
test_packages=(
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    imagemagick jdupes
    # a small file system of its own, for the trash of another volume; the desktop's trash as a
    # file manager lists it (gio trash --list, on a session bus of the test's own)
    e2fsprogs gvfs dbus-daemon
    # the packaging checks, and driving the installed program on a virtual screen
    lintian desktop-file-utils appstream groff-base xdotool xclip
    # a window manager, to look at the windows on a virtual screen as a user sees them
    openbox
    # where a window lies on the screen, for the memory benchmark of the windows
    x11-utils
)

case "${1:-}" in
    "") ;;
    --tests) packages+=("${test_packages[@]}") ;;
    *) echo "usage: setup.sh [--tests]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "setup: missing packages: ${missing[*]}" >&2
        echo "setup: run this script as root (or with sudo) once to install them" >&2
        exit 1
    fi
    echo "setup: installing ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
