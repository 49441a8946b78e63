#!/usr/bin/env bash
# The Windows build of the client road (request object transport, under Wine) against the real
# service: handshake, a query with Chinese text both ways, a change, a refused statement.
# Usage: windows_client_against_gateway.sh NATIVE_BUILD_DIR MINGW64_BUILD_DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
native="$1"
mingw="$2"
work="$(mktemp -d)"
gateway_pid=""
cleanup() {
  [ -n "$gateway_pid" ] && kill "$gateway_pid" 2>/dev/null && wait "$gateway_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$native/service/velmora-gateway" --db "$work/db" --listen 127.0.0.1:0 >"$work/log" 2>&1 &
gateway_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$work/log" && break; sleep 0.1; done
url="$(grep -o 'http://[^ ]*' "$work/log" | head -1)"
[ -n "$url" ] || { echo "gateway did not start"; cat "$work/log"; exit 1; }

wire() { "$here/../../scripts/wire-run-quiet.sh" "$mingw/tools/velmora-wire.exe" "$@"; }

# Wine hands the UTF-8 command line to the program in its ANSI code page, 936 under zh_CN:
# GBK bytes, as a Chinese Windows command line carries them.
# A sign-up as the client sends one, while the layout row lets new users in.
sqlite3 "$work/db" "insert into lset (编号, lset1) values (1, '1')"
columns='`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`'
out="$(wire query "$url" 1 "insert into account ($columns) values ('测试','A1B2','138','12345','0','2026年12月11日9时','0')" | tr -d '\r')"
[ "$out" = "6" ] || { echo "insert answered: $out"; cat "$work/log"; exit 1; }
out="$(wire query "$url" 2 "select 账号,密码,在线,状态,登陆IP from account where 账号='测试'" | tr -d '\r' | iconv -f GBK -t UTF-8)"
[ "$out" = "账号々密码々在线々状态々登陆IP々☆测试々A1B2々0々0々々☆" ] || { echo "select answered: $out"; exit 1; }
if wire query "$url" 2 "select * from sqlite_master" >/dev/null; then
  echo "a hostile statement was answered"
  exit 1
fi
grep -q "refused" "$work/log" || { echo "the refusal was not logged"; exit 1; }
health="$(python3 -c 'import sys, urllib.request; print(urllib.request.urlopen(sys.argv[1]).read().decode().strip())' "${url%talvenor.asp}healthz")"
[ "$health" = "ok" ] || { echo "health check answered: $health"; exit 1; }
echo "windows client against gateway: ok"
