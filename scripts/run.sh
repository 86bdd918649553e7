#!/usr/bin/env bash
# Sets up the machine, builds TavNote and starts it under Wine from build/TavNote/.
# On $DISPLAY when one is set; otherwise on a private Xvfb, with a screenshot after a few seconds.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/setup.sh"
bash "$here/build.sh"
. "$here/env.sh"
tav_ensure_prefix
tav_start_xvfb
tav_start_wineserver
trap 'tav_stop_wineserver; tav_stop_xvfb' EXIT
exe="$TAV_BUILD/TavNote/TavNote.exe"
if [ -n "${tav_xvfb_pid:-}" ]; then
  shot="$TAV_BUILD/screenshot.png"
  ( sleep 5; import -display "$DISPLAY" -window root "$shot" 2>/dev/null \
      && echo "TavNote runs on the private display $DISPLAY; screenshot: $shot" ) &
  echo "No DISPLAY set: TavNote runs on a private Xvfb ($DISPLAY). Stop it with Ctrl+C."
fi
cd "$TAV_BUILD/TavNote"
wine "$exe"
