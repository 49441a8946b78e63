#!/usr/bin/env bash
# A recommendation published by an operator in the web console (headless Chromium) pops up on the
# real velmora.exe under Wine, signed in to the same gateway, within a poll interval.
# Usage: console_to_client.sh NATIVE_BUILD_DIR MINGW64_BUILD_DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-env.sh"
native="$(cd "$1" && pwd)"
mingw="$(cd "$2" && pwd)"
source "$here/client_session.sh"
admin() { "$native/admin/velmora-admin" --db "$work/db" "$@"; }
admin init --demo >/dev/null
admin set poll-seconds 2 >/dev/null
echo "值班密码-2026" | admin operator add 值班员 >/dev/null
"$native/service/velmora-gateway" --db "$work/db" --listen 127.0.0.1:0 --console 127.0.0.1:0 >"$work/gateway.log" 2>&1 &
gateway_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$work/gateway.log" && break; sleep 0.1; done
page="$(grep -o 'listening on http://[^ ]*' "$work/gateway.log" | cut -d' ' -f3)"
console="$(grep -o 'console on http://[^ ]*' "$work/gateway.log" | cut -d' ' -f3)"
[ -n "$page" ] && [ -n "$console" ] || fail "the gateway did not start"

mkdir -p "$work/program"
cp "$mingw/client/velmora.exe" "$work/program/"
timeout 120 "$VELMORA_WINE" "$work/program/velmora.exe" --gateway "${page%talvenor.asp}" </dev/null >/dev/null 2>&1 &
client_pid=$!
login="$(velmora_find_window Velmora)" || fail "no login window"
sleep 1
velmora_type_login "$login" demo demo123
for _ in $(seq 50); do [ "$(admin account list | awk '$1 == "demo" {print $2}')" = yes ] && break; sleep 0.2; done
sleep 2  # the first load done
[ -z "$(xdotool search --onlyvisible --name "收到一个新的消息" 2>/dev/null || true)" ] || fail "a pop-up before anything was published"

(cd "$here/../browser" && timeout 90 /usr/bin/python3 - "$console" <<'PY') || fail "publishing in the console failed"
import sys
from console_driver import Console, chromium
with chromium() as driver:
    console = Console(driver, sys.argv[1])
    console.sign_in("值班员", "值班密码-2026")
    console.publish_recommendation("600036", "持有", "35.10", "38.60", "控制台发布")
    assert "published=" in console.path, console.path
PY
velmora_find_window "收到一个新的消息" >/dev/null || { sleep 5; velmora_find_window "收到一个新的消息" >/dev/null; } ||
  fail "the recommendation published in the console did not pop up"
echo "console to client: ok"
