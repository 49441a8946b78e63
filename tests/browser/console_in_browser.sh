#!/usr/bin/env bash
# The operators' console of a real gateway (SQLite, the demo content) driven in headless Chromium.
# Usage: console_in_browser.sh NATIVE_BUILD_DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
native="$(cd "$1" && pwd)"
work="$(mktemp -d)"
gateway_pid=""
trap '[ -n "$gateway_pid" ] && kill "$gateway_pid" 2>/dev/null; rm -rf "$work"' EXIT
"$native/admin/velmora-admin" --db "$work/db" init --demo >/dev/null
echo "值班密码-2026" | "$native/admin/velmora-admin" --db "$work/db" operator add 值班员 >/dev/null
"$native/service/velmora-gateway" --db "$work/db" --listen 127.0.0.1:0 --console 127.0.0.1:0 >"$work/log" 2>&1 &
gateway_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$work/log" && break; sleep 0.1; done
console="$(grep -o 'console on http://[^ ]*' "$work/log" | head -1 | cut -d' ' -f3)"
[ -n "$console" ] || { echo "the console did not start:"; cat "$work/log"; exit 1; }
cd "$here"
timeout 150 /usr/bin/python3 console_test.py "$console" "$work/db" "$native/admin/velmora-admin" 值班员 "值班密码-2026" ||
  { echo "--- gateway log"; tail -20 "$work/log"; exit 1; }
