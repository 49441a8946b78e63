#!/usr/bin/env bash
# Runs the whole system on this machine: the service on a demo database and the Windows client
# (the i686 package, the one users get, under Wine's 32-bit loader) signing in to it. With no display it works in a virtual one: it types the demo
# account into the login window, signs in, saves screenshots and ends; with a display it leaves
# the client to you and stops the service when the client ends.
#   bash scripts/demo.sh                 (screenshots land in build/demo/screenshots)
#   bash scripts/demo.sh --screenshots   the automatic run even on a display (the tests use it)
#   bash scripts/demo.sh --scale 150     on a screen scaled to 150 % (125, 150, 175 or 200): the
#                                        screenshots land in build/demo/screenshots-150
set -euo pipefail
automatic=0
scale=100
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshots) automatic=1 ;;
    --scale)
      scale="${2:-}"
      shift ;;
    *) echo "usage: demo.sh [--screenshots] [--scale 125|150|175|200]" >&2; exit 2 ;;
  esac
  shift
done
case "$scale" in
  100|125|150|175|200) ;;
  *) echo "demo: the scale is one of 100, 125, 150, 175 or 200 (per cent), not '$scale'" >&2; exit 2 ;;
esac
# The screen's DPI for that scale; the clicks below are the windows' 96-DPI designs scaled to it.
export VELMORA_SCREEN_DPI=$((scale * 96 / 100))
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
jobs="${VELMORA_JOBS:-$(nproc)}"
for preset in native mingw32; do
  [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
done
echo "demo: building the service and the client"
cmake --build build/native -j "$jobs" --target velmora-gateway velmora-admin >/dev/null
cmake --build build/mingw32 -j "$jobs" --target velmora_package >/dev/null

demo="$root/build/demo"
shots="$demo/screenshots"
if [ "$scale" = 100 ]; then
  # A run at 100 % starts afresh, leaving the scaled runs' sets beside it.
  mkdir -p "$demo"
  find "$demo" -mindepth 1 -maxdepth 1 ! -name 'screenshots-*' ! -name 'scaled-*' -exec rm -rf {} +
else
  shots="$demo/screenshots-$scale"
  demo="$demo/scaled-$scale"
  rm -rf "$demo" "$shots"
fi
mkdir -p "$demo/program" "$shots"
# The program directory as it ships: velmora.exe, music\music.wav and the tab pictures in ico\.
cp -r build/mingw32/package/Velmora/. "$demo/program/"
build/native/admin/velmora-admin --db "$demo/velmora.db" init --demo >/dev/null
# An operator of the web console, for the demo only.
echo "duty2026" | build/native/admin/velmora-admin --db "$demo/velmora.db" operator add duty >/dev/null

gateway_pid=""
client_pid=""
headless=0
[ -n "${DISPLAY:-}" ] || automatic=1
# A scaled run takes screenshots on a virtual display of its own, large enough for the main window
# at 200 % (1902 x 1224), whatever display it was started from.
if [ "$scale" != 100 ] && [ "$automatic" -eq 1 ]; then
  unset DISPLAY
  export VELMORA_XVFB_SCREEN=2048x1536x24
fi
[ -n "${DISPLAY:-}" ] || headless=1
[ "$headless" -eq 1 ] && automatic=1
# The DPI is the prefix's: a scaled run has a prefix of its own (the one the scaled tests use).
[ "$scale" != 100 ] && export VELMORA_WINEPREFIX="${VELMORA_WINEPREFIX:-$HOME/.cache/velmora/wine64}-scaled"
cleanup() {
  [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null
  [ -n "$gateway_pid" ] && kill "$gateway_pid" 2>/dev/null && wait "$gateway_pid" 2>/dev/null
  # Wine's server and the virtual display are ours to stop only when we started them.
  [ "$headless" -eq 1 ] && velmora_stop_wine
  return 0
}
source scripts/wine-env.sh
trap cleanup EXIT
velmora_start_wine
velmora_set_dpi "$VELMORA_SCREEN_DPI" || { echo "demo: cannot set the screen's DPI in $WINEPREFIX"; exit 1; }

build/native/service/velmora-gateway --db "$demo/velmora.db" --listen 127.0.0.1:0 --console 127.0.0.1:0 \
  >"$demo/gateway.log" 2>&1 &
gateway_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$demo/gateway.log" && break; sleep 0.1; done
page="$(grep -o 'listening on http://[^ ]*' "$demo/gateway.log" | cut -d' ' -f3)"
console="$(grep -o 'console on http://[^ ]*' "$demo/gateway.log" | cut -d' ' -f3)"
echo "demo: service at $page (log: $demo/gateway.log)"
echo "demo: operators' console at $console (sign in as duty / duty2026)"

start_client() {
  timeout 600 "$VELMORA_WINE32" "$demo/program/velmora.exe" --gateway "${page%talvenor.asp}" \
    </dev/null >>"$demo/client.log" 2>&1 &
  client_pid=$!
}
start_client

if [ "$automatic" -eq 0 ]; then
  echo "demo: sign in as demo / demo123; the service stops when the client ends"
  wait "$client_pid" || true
  exit 0
fi


# Types the demo account into the login window and signs in; waits for the login's row update.
sign_in() {
  local login="$1" updates
  updates="$(grep -c "kind=update rows=1" "$demo/gateway.log" || true)"
  velmora_type_login "$login" demo demo123
  for _ in $(seq 50); do
    [ "$(grep -c "kind=update rows=1" "$demo/gateway.log" || true)" -gt "$updates" ] && break
    sleep 0.2
  done
  sleep 1.5
}

# First run: the skin colour of a fresh settings file.
window="$(velmora_find_window Velmora || true)"
[ -n "$window" ] || { echo "demo: the login window did not appear"; exit 1; }
sleep 2
import -window root "$shots/1-login.png"
# The sign-up link opens the sign-up window over the login window; "取消" closes it.
xdotool mousemove --window "$window" "$(velmora_px 232)" "$(velmora_px 219)" click 1
signup="$(velmora_find_window "账号注册" || true)"
[ -n "$signup" ] || { echo "demo: the sign-up window did not appear"; exit 1; }
sleep 1
import -window root "$shots/2-sign-up.png"
xdotool mousemove --window "$signup" "$(velmora_px 177)" "$(velmora_px 264)" click 1
for _ in $(seq 25); do
  [ -z "$(xdotool search --onlyvisible --name "账号注册" 2>/dev/null | head -1 || true)" ] && break
  sleep 0.2
done
[ -z "$(xdotool search --onlyvisible --name "账号注册" 2>/dev/null | head -1 || true)" ] || {
  import -window root "$demo/sign-up-stuck.png"; echo "demo: the sign-up window did not close"; exit 1; }
sleep 0.5
# The main-menu caption button opens the settings window; its drawn close button closes it.
xdotool mousemove --window "$window" "$(velmora_px 366)" "$(velmora_px 10)" click 1
settings="$(velmora_find_window "软件设置" || true)"
[ -n "$settings" ] || { import -window root "$demo/settings-missing.png"; echo "demo: the settings window did not appear"; exit 1; }
sleep 1
import -window root "$shots/3-settings.png"
xdotool mousemove --window "$settings" "$(velmora_px 354)" "$(velmora_px 10)" click 1
sleep 1
sign_in "$window"
import -window root "$shots/4-signed-in.png"
echo "demo: signed in; the account row now reads:"
sqlite3 "$demo/velmora.db" "select '  ' || 账号 || ' online=' || 在线 || ' at ' || 登陆时间 || ' from ' || 登陆IP || ' handle ' || 句柄 from account where 账号='demo'"
# A recommendation published while the client runs: the next poll puts it at the top of the
# today list and announces it with the pop-up at the bottom right of the screen.
build/native/admin/velmora-admin --db "$demo/velmora.db" recommend 600519 买入 1650.00 1720.00 \
  "放量突破，短线关注" >/dev/null
popup="$(velmora_find_window "收到一个新的消息" || true)"
[ -n "$popup" ] || popup="$(sleep 5; velmora_find_window "收到一个新的消息" || true)"
[ -n "$popup" ] || { echo "demo: the pop-up for a new recommendation did not appear"; exit 1; }
sleep 1
import -window root "$shots/5-popup.png"
# The drawn close button asks first: a skinned confirmation box.
main="$(velmora_find_window Velmora || true)"
xdotool mousemove --window "$main" "$(velmora_px $((951 - 25)))" "$(velmora_px 10)" click 1
box="$(velmora_find_window "提示" || true)"
[ -n "$box" ] || { echo "demo: the close confirmation did not appear"; exit 1; }
sleep 1
import -window root "$shots/6-confirmation.png"
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
wait "$client_pid" || true
client_pid=""

# Second run: a skin picture chosen in the settings file.
convert -size 560x300 -define gradient:angle=120 gradient:'#ff9a3c-#c0392b' \
  -fill '#ffffff30' -draw 'circle 470,70 530,70' -draw 'circle 360,150 395,150' -draw 'circle 250,40 265,40' \
  "$demo/program/banner.png"
sed -i 's/^ls=.*/ls=1/; s|^tpwz=.*|tpwz=Z:'"${demo//\//\\\\}"'\\program\\banner.png|' "$demo/program/gp.ini"
start_client
window="$(velmora_find_window Velmora || true)"
[ -n "$window" ] || { echo "demo: the login window did not appear again"; exit 1; }
sleep 2
import -window root "$shots/7-login-picture.png"
sign_in "$window"
import -window root "$shots/8-signed-in-picture.png"
# The operators' console beside the client, in headless Chromium: the overview and the
# recommendations page with what the demo published. A scaled run is about the client's windows:
# it leaves the browser's pages out.
expected=(1-login 2-sign-up 3-settings 4-signed-in 5-popup 6-confirmation 7-login-picture 8-signed-in-picture)
if [ "$scale" = 100 ]; then
  (cd tests/browser && timeout 120 /usr/bin/python3 - "$console" "$shots" <<'PY') || { echo "demo: the console screenshots failed"; exit 1; }
import sys
from console_driver import Console, chromium
with chromium(1280, 800) as driver:
    console = Console(driver, sys.argv[1])
    console.sign_in("duty", "duty2026")
    console.screenshot("/", sys.argv[2] + "/9-console-overview.png")
    console.screenshot("/recommendations", sys.argv[2] + "/10-console-recommendations.png")
PY
  expected+=(9-console-overview 10-console-recommendations)
fi
for shot in "${expected[@]}"; do
  [ -s "$shots/$shot.png" ] || { echo "demo: screenshot $shot missing"; exit 1; }
done
echo "demo: screenshots in $shots"
