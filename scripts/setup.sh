#!/usr/bin/env bash
# Installs every system package the build, the program, the tests and the benchmarks need.
# Quick when everything is already there: apt is only consulted for what is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
    libjpeg62-turbo-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    xvfb xauth imagemagick openbox libxcb1-dev
    fonts-dejavu-core fonts-liberation adwaita-icon-theme
    xdg-utils
    jdupes
)

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
