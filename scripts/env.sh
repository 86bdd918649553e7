# Sourced by the other scripts: paths and the Wine environment of the project.
tav_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export TAV_BUILD=${TAV_BUILD:-$tav_root/build}
export WINEPREFIX=${TAVNOTE_WINEPREFIX:-$TAV_BUILD/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml=;winealsa.drv=d"
# (bash warns when the locale was generated after it started; Wine, started later, sees it)
{ export LC_ALL=zh_CN.UTF-8; } 2>/dev/null
unset LANGUAGE

# Creates and configures the prefix once; a marker file records that it is complete.
# Windows stay unmanaged: Xvfb has no window manager, and Wine otherwise waits ~2 s for one each
# time it hides a window that was once activated, and hands the X key focus to the root window.
tav_ensure_prefix() {
  local marker="$WINEPREFIX/.tavnote-ready-2"  # -2: windows unmanaged
  [ -f "$marker" ] && return 0
  echo "setup: preparing the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  timeout 300 wineboot -i >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  local reg
  reg=$(mktemp --suffix=.reg)
  # regedit wants UTF-16 with a byte-order mark for the Chinese face names.
  iconv -f UTF-8 -t UTF-16 > "$reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"SimSun"="WenQuanYi Zen Hei"
"宋体"="WenQuanYi Zen Hei"
"NSimSun"="WenQuanYi Zen Hei"
"新宋体"="WenQuanYi Zen Hei"
"Microsoft YaHei"="WenQuanYi Zen Hei"
"微软雅黑"="WenQuanYi Zen Hei"
"SimHei"="WenQuanYi Zen Hei"
"黑体"="WenQuanYi Zen Hei"
"KaiTi"="WenQuanYi Zen Hei"
"楷体"="WenQuanYi Zen Hei"
"Microsoft Sans Serif"="DejaVu Sans"
"MS Shell Dlg"="DejaVu Sans"
"MS Shell Dlg 2"="DejaVu Sans"
"Tahoma"="DejaVu Sans"
"Arial"="DejaVu Sans"
"Segoe UI"="DejaVu Sans"
"Times New Roman"="DejaVu Serif"
"Courier New"="DejaVu Sans Mono"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CLASSES_ROOT\.txt]
@="txtfile"
REG
  timeout 60 wine regedit /s "$(winepath -w "$reg" 2>/dev/null || echo "$reg")" >/dev/null 2>&1 || true
  rm -f "$reg"
  timeout 60 wineserver -w || true
  touch "$marker"
}

# Starts a private X server when none is given; sets DISPLAY. Records the pid in tav_xvfb_pid.
tav_start_xvfb() {
  tav_xvfb_pid=
  if [ -n "${DISPLAY:-}" ] && [ -z "${TAV_PRIVATE_X:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    tav_xvfb_pid=$!
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$tav_xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; return 0; fi
  done
  echo "could not start Xvfb" >&2
  return 1
}

tav_stop_xvfb() {
  [ -n "${tav_xvfb_pid:-}" ] && kill "$tav_xvfb_pid" 2>/dev/null || true
}

# One persistent wineserver keeps every wine start fast.
tav_start_wineserver() {
  wineserver -p >/dev/null 2>&1 || true
  # The first program that needs the desktop starts Wine's desktop process, which inherits that
  # program's output: started by a test under CTest it would hold the pipe open until the timeout.
  # A console program does not start it; a GUI one (rundll32 calling a harmless export) does.
  timeout 60 wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
}
tav_stop_wineserver() { timeout 20 wineserver -k >/dev/null 2>&1 || true; }
