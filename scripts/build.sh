#!/usr/bin/env bash
# Configures and builds TavNote with the MinGW-w64 toolchain into $TAV_BUILD (default build/).
set -euo pipefail
. "$(dirname "$0")/env.sh"
cmake -S "$tav_root" -B "$TAV_BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$tav_root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE="${TAV_BUILD_TYPE:-Release}" "$@" >/dev/null
cmake --build "$TAV_BUILD" -j "$(nproc)"
