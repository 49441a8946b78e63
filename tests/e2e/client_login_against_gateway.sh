#!/usr/bin/env bash
# The real velmora.exe under Wine against the real service, driven as a user would: a wrong
# password is refused with its message and leaves the account row alone; the right one signs in
# and records the login; closing the main window asks, and confirming marks the account offline
# and ends the program.
# Usage: client_login_against_gateway.sh NATIVE_BUILD_DIR MINGW64_BUILD_DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-env.sh"
native="$1"
mingw="$2"
source "$here/client_session.sh"
# Keys go to the focused window: synthetic events sent to a window are not taken.
row() { sqlite3 "$work/db" "select 在线 || '|' || 句柄 || '|' || 登陆IP from account where 账号='demo'"; }

mkdir -p "$work/program"
cp "$mingw/client/velmora.exe" "$work/program/"
"$native/admin/velmora-admin" --db "$work/db" init --demo >/dev/null
"$native/service/velmora-gateway" --db "$work/db" --listen 127.0.0.1:0 >"$work/gateway.log" 2>&1 &
gateway_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$work/gateway.log" && break; sleep 0.1; done
page="$(grep -o 'http://[^ ]*' "$work/gateway.log" | head -1)"

timeout 120 "$VELMORA_WINE" "$work/program/velmora.exe" --gateway "${page%talvenor.asp}" </dev/null >/dev/null 2>&1 &
client_pid=$!


login="$(velmora_find_window Velmora)" || fail "no login window"
sleep 1
[ -f "$work/program/gp.ini" ] || fail "gp.ini was not created beside the program"
before="$(row)"

velmora_type_login "$login" demo wrong
box="$(velmora_find_window "提示")" || fail "no message for a wrong password"
[ "$(row)" = "$before" ] || fail "a refused login changed the account row"
velmora_press "$box" Return
sleep 0.5

# The password box still has the wrong text: replace it.
xdotool mousemove --window "$login" 200 183 click 1
xdotool key End
xdotool key --repeat 12 --delay 10 BackSpace
xdotool type --delay 20 demo123
xdotool key Return
for _ in $(seq 50); do [ "$(row | cut -d'|' -f1)" = "1" ] && break; sleep 0.2; done
IFS='|' read -r online handle address <<<"$(row)"
[ "$online" = "1" ] || fail "the login was not recorded ($(row))"
[[ "$handle" =~ ^[1-9][0-9]{4}$ ]] || fail "the session handle is not five digits: $handle"
[ "$address" = "127.0.0.1" ] || fail "the login address is $address"

main="$(velmora_find_window Velmora)" || fail "no main window"
velmora_press "$main" alt+F4
confirm="$(velmora_find_window "提示")" || fail "closing the main window did not ask"
velmora_press "$confirm" Return
for _ in $(seq 50); do kill -0 "$client_pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$client_pid" 2>/dev/null && fail "the program did not end after the confirmed close"
client_pid=""
[ "$(row | cut -d'|' -f1)" = "0" ] || fail "the account was not marked offline ($(row))"
echo "client login against gateway: ok"
