#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test under Wine on a private X server.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/setup.sh"
bash "$here/format.sh" --check
bash "$here/build.sh"
. "$here/env.sh"
tav_ensure_prefix
TAV_PRIVATE_X=1 tav_start_xvfb
tav_start_wineserver
trap 'tav_stop_wineserver; tav_stop_xvfb' EXIT
cd "$TAV_BUILD"
ctest --output-on-failure -j "${TAV_TEST_JOBS:-2}" "$@"
