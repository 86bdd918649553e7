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
[ -s "$TAV_BUILD/bench-list.txt" ] || { echo "bench: no benchmark list in $TAV_BUILD" >&2; exit 1; }
missing=0
while read -r b; do
  [ -n "$b" ] || continue
  echo "== $b"
  exe=$(find "$TAV_BUILD/bench" -name "$b.exe" | head -n 1)
  if [ -z "$exe" ]; then
    echo "bench: $b.exe was not built" >&2
    missing=1
    continue
  fi
  timeout -k 5 "${TAV_BENCH_TIMEOUT:-900}" wine "$exe"
done < "$TAV_BUILD/bench-list.txt"
exit $missing
