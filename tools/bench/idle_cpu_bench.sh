#!/usr/bin/env bash
# The client's CPU time while it sits signed in and idle, polling the service every second:
# velmora.exe under Wine against the demo service, measured over 60 seconds (or $1), beside an
# idle Wine program (ping.exe waiting between echoes) measured over the same seconds. The
# wineserver serves every Wine program of the prefix, so its time is measured first for as long
# with only the idle program (and Wine's desktop) running: what it adds once the client runs is the
# client's share.
#   bash tools/bench/idle_cpu_bench.sh [seconds]
# VELMORA_BENCH_BUILD=i686 measures the release build (build/mingw32, Wine's 32-bit loader);
# x86_64 (build/mingw64) unless told.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
seconds="${1:-60}"
source scripts/wine-env.sh
source tools/bench/wine_build.sh velmora

work="$(mktemp -d)"
gateway_pid=""
client_pid=""
trap '[ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null; [ -n "$gateway_pid" ] && kill "$gateway_pid" 2>/dev/null; velmora_stop_wine; rm -rf "$work"' EXIT
mkdir -p "$work/program"
cp "build/$tree/client/velmora.exe" "$work/program/"
admin="build/native/admin/velmora-admin --db $work/db"
$admin init --demo >/dev/null
$admin set poll-seconds 1 >/dev/null
bench_start_gateway "$work/db" "$work/gateway.log"
velmora_start_wine
velmora_clear_url_cache

ticks() {  # utime + stime of the process whose command line matches $1
  local pid
  pid="$(pgrep -f "$1" | head -1)"
  awk '{print $14 + $15}' "/proc/$pid/stat"
}
server="$(bench_wineserver_pid)"
idle_server0="$(bench_ticks_of "$server")"
sleep "$seconds"
idle_server1="$(bench_ticks_of "$server")"

"$(velmora_loader_for "$work/program/velmora.exe")" "$work/program/velmora.exe" --gateway "${page%talvenor.asp}" </dev/null >"$work/client.log" 2>&1 &
client_pid=$!
login="$(velmora_find_window Velmora)" || { echo "the login window did not appear"; exit 1; }
sleep 1
velmora_type_login "$login" demo demo123
sleep 5  # signed in, the initial load done

hz="$(getconf CLK_TCK)"
client0="$(ticks 'velmora.exe')"
idle0="$(ticks 'ping -n 86400')"
server0="$(bench_ticks_of "$server")"
polls0="$(grep -c 'kind=count' "$work/gateway.log" || true)"
sleep "$seconds"
client1="$(ticks 'velmora.exe')"
idle1="$(ticks 'ping -n 86400')"
server1="$(bench_ticks_of "$server")"
polls1="$(grep -c 'kind=count' "$work/gateway.log" || true)"
awk -v b="$build" -v c="$((client1 - client0))" -v i="$((idle1 - idle0))" -v s="$seconds" -v hz="$hz" -v p="$((polls1 - polls0))" -v w="$((server1 - server0))" -v w0="$((idle_server1 - idle_server0))" 'BEGIN {
  printf "idle client (%s build) over %d s, polling every second (%d count requests answered)\n", b, s, p
  printf "  baseline: an idle Wine program    %6.2f s of CPU  (%.2f%%)\n", i / hz, 100 * i / hz / s
  printf "  velmora.exe signed in and polling %6.2f s of CPU  (%.2f%%)\n", c / hz, 100 * c / hz / s
  printf "  and the wineserver serving both   %6.2f s of CPU  (%.2f%%)\n", w / hz, 100 * w / hz / s
  printf "  the wineserver before, idle only  %6.2f s of CPU  (%.2f%%)\n", w0 / hz, 100 * w0 / hz / s
  printf "  the client with its share of it   %6.2f s of CPU  (%.2f%%)\n", (c + w - w0) / hz, 100 * (c + w - w0) / hz / s
}'
