#!/usr/bin/env bash
# Configures and builds TavNote with the MinGW-w64 toolchain into $TAV_BUILD (default build/).
# Reads TAV_BUILD, TAV_BUILD_TYPE (default Release) and TAV_BUILD_JOBS (default: all cores).
set -euo pipefail
. "$(dirname "$0")/env.sh"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Configure quietly, but show everything CMake said when it fails.
if ! cmake -S "$tav_root" -B "$TAV_BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$tav_root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE="${TAV_BUILD_TYPE:-Release}" "$@" >"$log" 2>&1; then
  cat "$log" >&2
  echo "build: configuring $TAV_BUILD failed" >&2
  exit 1
fi
grep -A8 '^CMake Warning' "$log" >&2 || true
cmake --build "$TAV_BUILD" -j "${TAV_BUILD_JOBS:-$(nproc)}"
