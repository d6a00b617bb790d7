#!/usr/bin/env bash
# Builds everything and runs every test twice: an optimised build, then an ASan+UBSan build;
# then builds the Debian package and checks it installed (as root; it skips otherwise).
# Arguments are passed to both CMake configurations (CI passes the switches that make missing
# test data and an impossible unprivileged run fail; see .ci/run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests

jobs=$(nproc)

# The package built last compiles the programs again with the optimised build's flags: paths
# relative to the clone and no build folder in the hash let ccache hand it those objects.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUPSWEEP_WERROR=ON "$@"
cmake --build build -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDUPSWEEP_WERROR=ON \
      -DDUPSWEEP_SANITIZE=ON -DDUPSWEEP_BUILD_BENCH=OFF "$@"
cmake --build build-asan -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure -j "$jobs"

# Last, and alone: it installs the package system-wide and purges it again.
bash tests/dist/package-test.sh

echo "test.sh: all tests passed (optimised and sanitizer builds, and the package)"
