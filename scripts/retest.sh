#!/usr/bin/env bash
# Runs tests again after a change, without setup or a full build: builds only what the chosen tests
# need, then runs them under Wine on a private Xvfb. Needs one earlier `bash scripts/test.sh`.
#   bash scripts/retest.sh notes_store_tests                 # one CTest entry (a regular expression)
#   bash scripts/retest.sh notes_store_tests 'NoteFileTest.*' # and only these GoogleTest cases
# Reads TAV_BUILD (build folder, default build/), TAV_TEST_TIMEOUT (seconds per test, default 900).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/env.sh"
[ $# -ge 1 ] || { echo "usage: bash scripts/retest.sh <ctest name regex> [gtest filter]" >&2; exit 2; }
[ -f "$TAV_BUILD/CTestTestfile.cmake" ] || { echo "no build in $TAV_BUILD: run bash scripts/test.sh once" >&2; exit 2; }
targets=$(cd "$TAV_BUILD" && ctest -N -R "$1" | sed -n 's/^ *Test *#[0-9]*: \([A-Za-z0-9_]*\).*/\1/p')
[ -n "$targets" ] || { echo "no test matches '$1'" >&2; exit 2; }
# Test entries named after their executable build just that; the others (scripts) build everything.
build=()
for t in $targets; do
  if cmake --build "$TAV_BUILD" --target help | grep -q "^$t:"; then build+=("$t"); else build=(); break; fi
done
cmake --build "$TAV_BUILD" ${build:+--target "${build[@]}"} --target TavNote
tav_ensure_prefix
TAV_PRIVATE_X=1 tav_start_xvfb
tav_start_wineserver
trap 'tav_stop_wineserver; tav_stop_xvfb' EXIT
cd "$TAV_BUILD"
if [ $# -ge 2 ]; then export GTEST_FILTER="$2"; fi
ctest --output-on-failure -R "$1" --timeout "${TAV_TEST_TIMEOUT:-900}"
