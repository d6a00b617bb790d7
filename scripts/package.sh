#!/usr/bin/env bash
# Builds the Debian package build-pkg/dupsweep_VERSION_ARCH.deb from a build tree of its own.
# Its compile flags are those of scripts/test.sh's optimised build, so that after one ccache hands
# back every object and only linking and packing are left.
# Arguments are passed to the CMake configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

# The package's programs are stripped, so the build folder that debug information would name
# makes no difference to them: ccache may give this tree the objects another one compiled.
export CCACHE_NOHASHDIR=1
# Paths below the clone are hashed relative to it, wherever the clone lies.
export CCACHE_BASEDIR=$PWD

cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUPSWEEP_WERROR=ON \
      -DDUPSWEEP_BUILD_TESTS=OFF -DDUPSWEEP_BUILD_BENCH=OFF "$@"
cmake --build build-pkg -j "$(nproc)"
rm -f build-pkg/*.deb
(cd build-pkg && cpack -G DEB)
ls build-pkg/*.deb
