#!/usr/bin/env bash
# One gateway request's CPU cost under Wine, by transport: the client's process and the
# wineserver's part, each run in its own process against the demo service; a run of no requests
# is the baseline for the wineserver's part (process start and end).
#   bash tools/bench/transport_bench.sh [requests]
# VELMORA_BENCH_BUILD=i686 measures the release build (build/mingw32, Wine's 32-bit loader);
# x86_64 (build/mingw64) unless told.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
requests="${1:-200}"
source scripts/wine-env.sh
source tools/bench/wine_build.sh velmora-bench-transport

work="$(mktemp -d)"
gateway_pid=""
trap '[ -n "$gateway_pid" ] && kill "$gateway_pid" 2>/dev/null; velmora_stop_wine; rm -rf "$work"' EXIT
build/native/admin/velmora-admin --db "$work/db" init --demo >/dev/null
bench_start_gateway "$work/db" "$work/gateway.log"
velmora_start_wine
velmora_clear_url_cache
exe="build/$tree/tools/velmora-bench-transport.exe"
loader="$(velmora_loader_for "$exe")"
server="$(bench_wineserver_pid)"
hz="$(getconf CLK_TCK)"
echo "one request's CPU under Wine ($build build), $requests requests a run"
run() {  # mode requests
  local before after
  before="$(bench_ticks_of "$server")"
  "$loader" "$exe" "$page" "$1" "$2" </dev/null 2>/dev/null | tr -d '\r' || true
  after="$(bench_ticks_of "$server")"
  echo $((after - before))
}
base="$(run reused 0 | tail -1)"
for mode in reused progid:MSXML2.XMLHTTP progid:WinHttp.WinHttpRequest.5.1 wininet; do
  out="$(run "$mode" "$requests")"
  echo "$out" | head -n -1
  awk -v t="$(echo "$out" | tail -1)" -v b="$base" -v n="$requests" -v hz="$hz" \
    'BEGIN { printf "%34s wineserver: %.2f ms each\n", "", 1000 * (t - b) / hz / n }'
done
