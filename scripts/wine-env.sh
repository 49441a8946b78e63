# Sourced by the test scripts: the Wine prefix, display and server the Windows tests run in.
# The prefix is made once per machine (it takes ~8 s and ~700 MB) and kept in the user's cache.
export WINEPREFIX="${VELMORA_WINEPREFIX:-$HOME/.cache/velmora/wine64}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
# Chinese Windows by default (ANSI code page 936); VELMORA_WINE_LANG=C.UTF-8 gives an English one
# (code page 1252), where the program must show its Chinese texts just the same.
export LANG="${VELMORA_WINE_LANG:-zh_CN.UTF-8}"
export LC_ALL="$LANG"
VELMORA_WINE=/usr/lib/wine/wine64
VELMORA_WINE32=/usr/lib/wine/wine  # the 32-bit loader, for the i686 build (package wine32:i386)
VELMORA_WINESERVER=/usr/lib/wine/wineserver
# Raise when the prefix set-up below changes. 2: made with the 32-bit Wine installed, so that its
# syswow64 holds the 32-bit system files (a prefix made before has it empty, and i686 programs
# then do not start).
VELMORA_PREFIX_VERSION=2

# The loader for a Windows program: the 32-bit one for an i386 executable (its PE header's machine
# field is 0x014c), else the 64-bit one.
velmora_loader_for() {
  local machine
  machine="$(python3 - "$1" <<'PY' 2>/dev/null
import struct, sys
try:
    with open(sys.argv[1], 'rb') as f:
        head = f.read(4096)
    pe = struct.unpack_from('<I', head, 0x3c)[0]
    print('%04x' % struct.unpack_from('<H', head, pe + 4)[0] if head[pe:pe + 4] == b'PE\0\0' else '')
except Exception:
    print('')
PY
)"
  if [ "$machine" = 014c ]; then echo "$VELMORA_WINE32"; else echo "$VELMORA_WINE"; fi
}

velmora_prefix_ready() {
  [ "$(cat "$WINEPREFIX/.velmora-prefix" 2>/dev/null)" = "$VELMORA_PREFIX_VERSION" ]
}

velmora_make_prefix() {
  velmora_prefix_ready && return 0
  echo "wine: preparing the prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  timeout 300 "$VELMORA_WINE" wineboot -i </dev/null >/dev/null 2>&1
  timeout 60 "$VELMORA_WINESERVER" -w
  local reg=(
    # Chinese font names resolve to the installed CJK font, for GDI and GDI+ alike.
    'HKCU\Software\Wine\Fonts\Replacements|宋体|WenQuanYi Zen Hei'
    'HKCU\Software\Wine\Fonts\Replacements|SimSun|WenQuanYi Zen Hei'
    'HKCU\Software\Wine\Fonts\Replacements|新宋体|WenQuanYi Zen Hei'
    'HKCU\Software\Wine\Fonts\Replacements|NSimSun|WenQuanYi Zen Hei'
    'HKCU\Software\Wine\Fonts\Replacements|黑体|WenQuanYi Zen Hei'
    'HKCU\Software\Wine\Fonts\Replacements|SimHei|WenQuanYi Zen Hei'
    'HKCU\Software\Wine\Fonts\Replacements|微软雅黑|WenQuanYi Zen Hei'
    'HKCU\Software\Wine\Fonts\Replacements|Microsoft YaHei|WenQuanYi Zen Hei'
    # No window manager under Xvfb: unmanaged windows keep modal dialogs fast.
    'HKCU\Software\Wine\X11 Driver|Managed|N'
    # No sound device on the build machines: keep ALSA quiet.
    'HKCU\Software\Wine\Drivers|Audio|'
  )
  local entry key name value
  for entry in "${reg[@]}"; do
    IFS='|' read -r key name value <<<"$entry"
    timeout 60 "$VELMORA_WINE" reg add "$key" /v "$name" /t REG_SZ /d "$value" /f </dev/null >/dev/null 2>&1
  done
  cp -f /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  timeout 60 "$VELMORA_WINESERVER" -w
  echo "$VELMORA_PREFIX_VERSION" >"$WINEPREFIX/.velmora-prefix"
}

# A display for the tests that open windows, and a persistent wine server so that each test
# executable starts in a fraction of a second.
velmora_start_wine() {
  velmora_make_prefix
  if [ -z "${DISPLAY:-}" ]; then
    # A server still running for this prefix serves another display (perhaps one that is gone):
    # its desktop process would stay bound there, and our programs would get X errors and no
    # notification area. Stop it before starting on a display of our own.
    if "$VELMORA_WINESERVER" -k </dev/null >/dev/null 2>&1; then
      timeout 30 "$VELMORA_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    fi
    local n
    for n in $(seq 90 120); do
      if [ ! -e "/tmp/.X$n-lock" ]; then
        Xvfb ":$n" -screen 0 "${VELMORA_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp </dev/null >/dev/null 2>&1 &
        VELMORA_XVFB_PID=$!
        export DISPLAY=":$n"
        break
      fi
    done
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && break; sleep 0.1; done
  fi
  # A server already running (or still shutting down) is fine: wait for it to settle.
  "$VELMORA_WINESERVER" -p </dev/null >/dev/null 2>&1 || { sleep 1; "$VELMORA_WINESERVER" -p </dev/null >/dev/null 2>&1 || true; }
  # Start Wine's own services now, detached from any pipe: started by a test instead, they would
  # inherit its output pipe and keep the reader waiting after the test has ended.
  timeout 60 "$VELMORA_WINE" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  # One idle Wine process for as long as the tests run. Without it the desktop process ends
  # whenever no Wine program is running, and a program starting meanwhile fails to create its
  # windows (ERROR_INVALID_WINDOW_HANDLE): on a busy machine the gap is wide enough to hit.
  if [ -z "${VELMORA_KEEPER_PID:-}" ] || ! kill -0 "$VELMORA_KEEPER_PID" 2>/dev/null; then
    setsid "$VELMORA_WINE" ping -n 86400 127.0.0.1 </dev/null >/dev/null 2>&1 &
    VELMORA_KEEPER_PID=$!
  fi
}

# Tells the prefix the screen's DPI ($1, 96 for 100 %): Wine takes it from
# HKCU\Control Panel\Desktop\LogPixels, read by each process as it starts, so a scaled run uses a
# prefix of its own and sets the value before its programs start.
velmora_set_dpi() {
  timeout 60 "$VELMORA_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$1" /f </dev/null >/dev/null 2>&1
}

# Empties the prefix's URL cache. Wine's request object writes every answer there and removes it
# after; a client killed mid-request (as the tests kill theirs) leaves its file behind, and once
# the 255 names a page's answers take are used, every later request probes them all: the
# benchmarks start from an empty cache so that their figures do not depend on the runs before.
velmora_clear_url_cache() {
  rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Microsoft/Windows/INetCache"
}

velmora_stop_wine() {
  [ -n "${VELMORA_KEEPER_PID:-}" ] && kill "$VELMORA_KEEPER_PID" 2>/dev/null || true
  VELMORA_KEEPER_PID=""
  "$VELMORA_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  timeout 30 "$VELMORA_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
  if [ -n "${VELMORA_XVFB_PID:-}" ]; then
    kill "$VELMORA_XVFB_PID" 2>/dev/null || true
    wait "$VELMORA_XVFB_PID" 2>/dev/null || true
  fi
}

# Driving the programs' windows on the display, for the end-to-end runs and the demo.
# Prints the id of a visible window whose title contains $1, waiting up to ten seconds for one;
# with "last" as $2 the newest of several. Status 1, nothing printed, when none came.
velmora_find_window() {
  local found="" pick=head
  [ "${2:-}" = last ] && pick=tail
  for _ in $(seq 50); do
    found="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | "$pick" -n 1 || true)"
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.2
  done
  return 1
}

# A position of a window's 96-DPI design on the screen the programs run on (VELMORA_SCREEN_DPI,
# 96 when unset), rounded as the program rounds its own layouts.
velmora_px() {
  local dpi="${VELMORA_SCREEN_DPI:-96}"
  echo $((($1 * dpi + 48) / 96))
}

# Keys to a window, focused first.
velmora_press() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  shift
  xdotool key "$@"
}

# Signs in as a user would: a click into the login window's account box, the account, Return
# (which moves on to the password box), the password, Return.
velmora_type_login() {
  xdotool mousemove --window "$1" "$(velmora_px 200)" "$(velmora_px 144)" click 1
  sleep 0.3
  xdotool type --delay 30 "$2"
  xdotool key Return
  xdotool type --delay 30 "$3"
  xdotool key Return
}
