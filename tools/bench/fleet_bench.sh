#!/usr/bin/env bash
# Many connected clients polling the gateway, beside a baseline measured in the same run.
#
# For each fleet size N, velmora-fleet (one thread, one kept-alive connection per client) sends
# each client's poll cycle once a second for the measured seconds, first to the gateway on a
# database with the demo content and 10,000 accounts (fleet00001... with handle k), then to the
# fixed-answer server (the same HTTP front answering a fixed text). Every gateway answer is
# decoded and checked against the database. A last step holds 10,000 idle connections open
# while 1,000 clients poll the gateway. After each step the server's resident memory (VmRSS,
# and its peak VmHWM) is read, and the CPU time of the server and of the fleet is noted, to
# tell which of the two ran out of CPU.
#
#   tools/bench/fleet_bench.sh
# Environment:
#   VELMORA_FLEET_BUILD    a configured build tree (default build/release, configured if missing)
#   VELMORA_FLEET_SIZES    fleet sizes (default "100 1000 5000 10000")
#   VELMORA_FLEET_SECONDS  measured seconds per step (default 10)
#   VELMORA_FLEET_SMOKE=1  a correctness check only: 200 clients for 3 s against the gateway and
#                          the baseline; fails when any answer was wrong or none was right
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"

smoke="${VELMORA_FLEET_SMOKE:-0}"
sizes="${VELMORA_FLEET_SIZES:-100 1000 5000 10000}"
seconds="${VELMORA_FLEET_SECONDS:-10}"
warmup=1
accounts=10000
idle_clients=1000 idle_connections=10000
if [ "$smoke" = 1 ]; then
  sizes=200 seconds=3
fi

build="${VELMORA_FLEET_BUILD:-$root/build/release}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ -n "${VELMORA_FLEET_BUILD:-}" ]; then
    echo "fleet: $build is no configured build tree" >&2
    exit 1
  fi
  cmake --preset release >/dev/null
fi
echo "fleet: building in $build"
cmake --build "$build" -j 2 --target velmora-gateway velmora-fixed-answer-server velmora-fleet velmora-admin >/dev/null
gateway="$build/service/velmora-gateway"
baseline="$build/tools/velmora-fixed-answer-server"
fleet="$build/tools/velmora-fleet"
admin="$build/admin/velmora-admin"

bench_name=fleet
# shellcheck source=tools/bench/server_process.sh
source "$root/tools/bench/server_process.sh"

# Waits up to 10 s until the server on port $1 answers GET /healthz: with 200 when $2 is 200,
# with any HTTP status when $2 is "any" (a baseline may have no such page).
wait_ready() {
  local port="$1" want="$2"
  for _ in $(seq 100); do
    if python3 - "$port" "$want" <<'PY' 2>/dev/null; then return 0; fi
import http.client, sys
c = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=1)
c.request("GET", "/healthz")
r = c.getresponse()
r.read()
sys.exit(0 if sys.argv[2] == "any" or r.status == int(sys.argv[2]) else 1)
PY
    if ! kill -0 "$server_pid" 2>/dev/null; then
      echo "fleet: the server on port $port stopped:" >&2
      cat "$work/server.err" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "fleet: the server on port $port did not come up" >&2
  return 1
}

# The gateway's connection options: every fleet connection comes from 127.0.0.1, so one address
# may hold them all; a front that limits connections overall and closes idle ones takes limits
# that let the fleet's connections stay. An older gateway caps --max-per-address lower and knows
# no other limit: it gets its cap.
gateway_options() {
  local help probe per_address=20000
  help="$("$gateway" --help 2>&1 || true)"
  probe="$("$gateway" --max-per-address "$per_address" --help 2>&1 || true)"
  if [[ $probe =~ --max-per-address\ takes\ 1\ to\ ([0-9]+) ]]; then per_address="${BASH_REMATCH[1]}"; fi
  gateway_args=(--max-per-address "$per_address")
  if grep -q -- '--max-connections' <<<"$help" && grep -q -- '--idle-seconds' <<<"$help"; then
    gateway_args+=(--max-connections 20000 --idle-seconds 600)
  fi
}

start_gateway() {
  port="$(free_port)"
  # One log line per request: to /dev/null, or the log's cost would be in the figures.
  "$gateway" --db "$work/fleet.db" --listen "127.0.0.1:$port" "${gateway_args[@]}" >/dev/null 2>"$work/server.err" &
  server_pid=$!
  wait_ready "$port" 200
}

start_baseline() {
  port="$(free_port)"
  "$baseline" --listen "127.0.0.1:$port" >/dev/null 2>"$work/server.err" &
  server_pid=$!
  wait_ready "$port" any
}

cpu_ticks() {  # utime + stime of process $1, in clock ticks (fields after the command's name)
  sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

memory_mb() {  # field $2 (VmRSS, VmHWM) of process $1, in MB
  awk -v f="$2:" '$1 == f { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}

field() {  # the value of "$1=" in the fleet's line $2
  sed -E "s/.* $1=([^ ]+).*/\1/" <<<"$2"
}

# Runs the fleet with the arguments given against the server on $port and adds a table row:
# $1 the row's label for the server, $2 N, the rest velmora-fleet's own options.
rows=()
failed=0
measure() {
  local label="$1" clients="$2"
  shift 2
  local hz ticks0 ticks1 line fleet_cpu
  hz="$(getconf CLK_TCK)"
  ticks0="$(cpu_ticks "$server_pid")"
  local TIMEFORMAT='%3U %3S'
  if ! { time "$fleet" --connect "127.0.0.1:$port" --clients "$clients" --seconds "$seconds" \
           --warmup "$warmup" "$@" >"$work/fleet.out" 2>"$work/fleet.err"; } 2>"$work/fleet.time"; then
    echo "fleet: velmora-fleet failed:" >&2
    cat "$work/fleet.err" >&2
    exit 1
  fi
  ticks1="$(cpu_ticks "$server_pid")"
  line="$(grep '^fleet:' "$work/fleet.out")"
  echo "  $label: $line"
  sed 's/^/    /' "$work/fleet.err"
  fleet_cpu="$(awk '{ printf "%.1f", $1 + $2 }' "$work/fleet.time")"
  rows+=("$(printf '%6s %-9s %6s %8s %8s %9s %9s %9s %7s %6s %6s %8s %8s %6s %7s' "$clients" "$label" \
    "$(field idle "$line")" "$(field offered_rps "$line")" "$(field served_rps "$line")" \
    "$(field p50_ms "$line")" "$(field p99_ms "$line")" "$(field max_ms "$line")" "$(field errors "$line")" \
    "$(field late "$line")" "$(field idle_open "$line")" \
    "$(memory_mb "$server_pid" VmRSS)" "$(memory_mb "$server_pid" VmHWM)" \
    "$(awk -v t="$((ticks1 - ticks0))" -v hz="$hz" 'BEGIN { printf "%.1f", t / hz }')" "$fleet_cpu")")
  served="$(field served_rps "$line")"
  if [ "$(field errors "$line")" != 0 ] || [ "$served" = 0 ]; then failed=1; fi
}

# The database: the demo content and the fleet's accounts, one per client.
"$admin" --db "$work/fleet.db" init --demo >/dev/null
sqlite3 "$work/fleet.db" <<SQL
WITH RECURSIVE k(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM k WHERE n < $accounts)
INSERT INTO account ("账号", "句柄") SELECT printf('fleet%05d', n), CAST(n AS TEXT) FROM k;
SQL
latest1="$(sqlite3 "$work/fleet.db" 'select count(*) from Latest1')"
config2="$(sqlite3 "$work/fleet.db" 'select count(*) from config2')"
expect=(--expect-latest1 "$latest1" --expect-config2 "$config2" --accounts "$accounts")
gateway_options
echo "fleet: gateway ${gateway_args[*]}; latest1 has $latest1 rows, config2 $config2"

declare -A served_by
for n in $sizes; do
  start_gateway
  measure gateway "$n" "${expect[@]}"
  served_by[gateway.$n]="$served"
  stop_server
  start_baseline
  measure baseline "$n" --fixed
  served_by[baseline.$n]="$served"
  stop_server
done
if [ "$smoke" != 1 ]; then
  start_gateway
  measure gateway "$idle_clients" "${expect[@]}" --idle "$idle_connections"
  stop_server
fi

echo
echo "fleet: ${seconds} s measured after ${warmup} s warm-up per step, $(nproc) cores; CPU seconds over the whole step"
printf '%6s %-9s %6s %8s %8s %9s %9s %9s %7s %6s %6s %8s %8s %6s %7s\n' N server idle "offered" served \
  "p50 ms" "p99 ms" "max ms" errors late "open" "RSS MB" "HWM MB" "srvCPU" "fleetCPU"
printf '%s\n' "${rows[@]}"
for n in $sizes; do
  g="${served_by[gateway.$n]}" b="${served_by[baseline.$n]}"
  echo "N=$n: gateway served $(awk -v g="$g" -v b="$b" 'BEGIN { if (b > 0) printf "%.0f%%", 100 * g / b; else printf "n/a" }') of the baseline's req/s"
done

if [ "$smoke" = 1 ] && [ "$failed" = 1 ]; then
  echo "fleet: answers went wrong or none was right" >&2
  exit 1
fi
