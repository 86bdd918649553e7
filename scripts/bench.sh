#!/usr/bin/env bash
# Builds an unchecked release build in build-bench/ and runs every benchmark; prints medians.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/setup.sh"
export TAV_BUILD=${TAV_BUILD:-$(cd "$here/.." && pwd)/build-bench}
bash "$here/build.sh" -DTAVNOTE_CHECKED=OFF -DTAVNOTE_TESTS=OFF
. "$here/env.sh"
tav_ensure_prefix
TAV_PRIVATE_X=1 tav_start_xvfb
tav_start_wineserver
trap 'tav_stop_wineserver; tav_stop_xvfb' EXIT
cd "$TAV_BUILD/bench"
while read -r b; do
  [ -n "$b" ] || continue
  echo "== $b"
  timeout -k 5 900 wine "$(find "$TAV_BUILD/bench" -name "$b.exe" | head -n 1)"
done < "$TAV_BUILD/bench-list.txt"
