#!/usr/bin/env bash
# The fleet of polling clients (velmora-fleet: each client's poll cycle, two counts and its
# presence check, once a second over one kept-alive connection) against three set-ups in one run:
# one gateway on SQLite, one gateway on PostgreSQL, and two gateways on that PostgreSQL behind
# HAProxy (scripts/cluster.sh). For each step it reports what was served and how fast, and the CPU
# seconds spent by each part (gateways, PostgreSQL's processes, HAProxy, the fleet), which tells
# where a request's time goes.
#   bash tools/bench/cluster_bench.sh
# Environment: VELMORA_CLUSTER_BENCH_SIZES (default "1000 3000 5000"), VELMORA_CLUSTER_BENCH_SECONDS
# (default 10), VELMORA_CLUSTER_TREE (default build/release, configured and built if missing).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
sizes="${VELMORA_CLUSTER_BENCH_SIZES:-1000 3000 5000}"
seconds="${VELMORA_CLUSTER_BENCH_SECONDS:-10}"
accounts=10000

if [ "${1:-}" != --inside ]; then
  tree="${VELMORA_CLUSTER_TREE:-$root/build/release}"
  [ -f "$tree/CMakeCache.txt" ] || cmake --preset release >/dev/null
  echo "cluster bench: building in $tree"
  cmake --build "$tree" -j 2 --target velmora-gateway velmora-admin velmora-fleet >/dev/null
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  chmod 755 "$work"
  # One log line per request goes to the gateways' logs in every set-up alike.
  VELMORA_SKIP_BUILD=1 VELMORA_CLUSTER_TREE="$tree" VELMORA_CLUSTER_DIR="$work/cluster" \
    VELMORA_CLUSTER_GATEWAY_ARGS="--max-connections 20000 --idle-seconds 600" \
    bash scripts/cluster.sh --gateways 2 --fresh -- bash "${BASH_SOURCE[0]}" --inside
  exit
fi

tree="$VELMORA_CLUSTER_TREE"
work="$VELMORA_CLUSTER_DIR"
fleet="$tree/tools/velmora-fleet"
owner="$VELMORA_CLUSTER_OWNER"
pg="$work/pg"
source scripts/pg-env.sh
pg_port="$(velmora_pg_port "$pg")"
psql_owner() { psql -X -q -v ON_ERROR_STOP=1 -h "$pg" -p "$pg_port" -U velmora_owner -d velmora "$@"; }
hz="$(getconf CLK_TCK)"
ticks() {  # CPU ticks of the processes given, those that still run
  local total=0 pid
  for pid in "$@"; do
    [ -r "/proc/$pid/stat" ] && total=$((total + $(sed 's/.*) //' "/proc/$pid/stat" | awk '{print $12 + $13}')))
  done
  echo "$total"
}
postgres_pids() {  # the server and its children (a session each gateway connection)
  local main
  main="$(head -1 "$pg/data/postmaster.pid")"
  echo "$main" $(pgrep -P "$main")
}
seconds_of() { awk -v t="$1" -v hz="$hz" 'BEGIN { printf "%.1f", t / hz }'; }

# The fleet's accounts, fleet00001… with handle k, in both databases.
psql_owner -c "INSERT INTO account (\"账号\", \"句柄\")
               SELECT 'fleet' || lpad(n::text, 5, '0'), n::text FROM generate_series(1, $accounts) n"
latest1="$(psql_owner -tAc 'SELECT count(*) FROM "Latest1"')"
config2="$(psql_owner -tAc 'SELECT count(*) FROM config2')"
"$tree/admin/velmora-admin" --db "$work/fleet.db" init --demo >/dev/null
# Both databases hold the demo content and the fleet's accounts: the fleet checks every answer.
sqlite3 "$work/fleet.db" <<SQL
WITH RECURSIVE k(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM k WHERE n < $accounts)
INSERT INTO account ("账号", "句柄") SELECT printf('fleet%05d', n), CAST(n AS TEXT) FROM k;
SQL
[ "$(sqlite3 "$work/fleet.db" 'select count(*) from Latest1')" = "$latest1" ] &&
  [ "$(sqlite3 "$work/fleet.db" 'select count(*) from config2')" = "$config2" ] ||
  { echo "cluster bench: the demo content differs between the two databases" >&2; exit 1; }
expect=(--expect-latest1 "$latest1" --expect-config2 "$config2" --accounts "$accounts")

sqlite_port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
"$tree/service/velmora-gateway" --db "$work/fleet.db" --listen "127.0.0.1:$sqlite_port" --max-per-address 20000 \
  --max-connections 20000 --idle-seconds 600 >"$work/sqlite-gateway.log" 2>&1 &
sqlite_pid=$!
trap 'kill $sqlite_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q "listening on" "$work/sqlite-gateway.log" && break; sleep 0.1; done

read -r gateway1 gateway2 <<<"$VELMORA_CLUSTER_GATEWAYS"
read -r backend1 _ <<<"$VELMORA_CLUSTER_BACKENDS"
haproxy_port="${VELMORA_CLUSTER_PAGE#http://127.0.0.1:}"
haproxy_port="${haproxy_port%%/*}"

rows=()
measure() {  # label connect-port gateway-pids...; uses $n
  local label="$1" port="$2"
  shift 2
  local gateways=("$@") g0 p0 h0 g1 p1 h1 line
  g0="$(ticks "${gateways[@]}")" p0="$(ticks $(postgres_pids))" h0="$(ticks "$VELMORA_CLUSTER_HAPROXY")"
  local TIMEFORMAT='%3U %3S'
  { time "$fleet" --connect "127.0.0.1:$port" --clients "$n" --seconds "$seconds" --warmup 1 "${expect[@]}" \
      >"$work/fleet.out" 2>"$work/fleet.err"; } 2>"$work/fleet.time" || {
    echo "cluster bench: velmora-fleet failed:" >&2; cat "$work/fleet.err" >&2; exit 1; }
  g1="$(ticks "${gateways[@]}")" p1="$(ticks $(postgres_pids))" h1="$(ticks "$VELMORA_CLUSTER_HAPROXY")"
  line="$(grep '^fleet:' "$work/fleet.out")"
  field() { sed -E "s/.* $1=([^ ]+).*/\1/" <<<"$line"; }
  local served
  served="$(field served_rps)"
  local requests
  # The CPU figures take in the warm-up second too, served at the same rate.
  requests="$(awk -v r="$served" -v s="$seconds" 'BEGIN { print r * (s + 1) }')"
  per_request() { awk -v t="$1" -v hz="$hz" -v r="$requests" 'BEGIN { if (r > 0) printf "%.0f", 1e6 * t / hz / r; else print "-" }'; }
  local proxy_ticks=0
  [ "$label" = "2 on PG + HAProxy" ] && proxy_ticks=$((h1 - h0))
  rows+=("$(printf '%6s  %-18s %8s %8s %8s %8s %6s | %6s %6s %6s %6s | %6s %6s %6s' "$n" "$label" \
    "$(field offered_rps)" "$served" "$(field p50_ms)" "$(field p99_ms)" "$(field errors)" \
    "$(seconds_of $((g1 - g0)))" "$(seconds_of $((p1 - p0)))" "$(seconds_of "$proxy_ticks")" \
    "$(awk '{ printf "%.1f", $1 + $2 }' "$work/fleet.time")" \
    "$(per_request $((g1 - g0)))" "$(per_request $((p1 - p0)))" "$(per_request "$proxy_ticks")")")
  echo "  $n clients, $label: $line"
}

for n in $sizes; do
  measure "1 on SQLite" "$sqlite_port" "$sqlite_pid"
  measure "1 on PG" "${backend1#*:}" "$gateway1"
  measure "2 on PG + HAProxy" "$haproxy_port" "$gateway1" "$gateway2"
done

echo
echo "cluster bench: $seconds s per step after 1 s warm-up, $(nproc) cores; CPU seconds over the step, and µs of CPU per served request"
printf '%6s  %-18s %8s %8s %8s %8s %6s | %6s %6s %6s %6s | %6s %6s %6s\n' N set-up offered served "p50 ms" "p99 ms" errors \
  gw pg proxy fleet "gw µs" "pg µs" "px µs"
printf '%s\n' "${rows[@]}"
