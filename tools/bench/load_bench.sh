#!/usr/bin/env bash
# Poll load on the gateway, beside a baseline measured in the same run.
#
# Builds the release gateway and a baseline server (the same HTTP stack answering a fixed text of
# a poll answer's size), makes a database with the demo content, and drives each server on
# 127.0.0.1 with wrk sending the client's poll cycle (tools/bench/poll_mix.lua). Before measuring,
# a short checked run decodes every answer: the gateway must accept the requests, or the figures
# would be those of its refusal path. Prints requests per second and p99 latency for each.
#
# The gateway logs a line per request to standard output; the measured run sends it to
# /dev/null, and a further run logs to a file to show what the log costs.
#
#   tools/bench/load_bench.sh            # 15 s per run, 64 connections, 2 wrk threads
# Environment: VELMORA_BENCH_SECONDS, VELMORA_BENCH_CONNECTIONS, VELMORA_BENCH_SERVER_THREADS.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"

seconds="${VELMORA_BENCH_SECONDS:-15}"
connections="${VELMORA_BENCH_CONNECTIONS:-64}"
server_threads="${VELMORA_BENCH_SERVER_THREADS:-$(nproc)}"  # the gateway's default: one statement thread a core
goal_rps=5000
goal_p99_ms=20
lua="$root/tools/bench/poll_mix.lua"
build="$root/build/release"

[ -f "$build/CMakeCache.txt" ] || cmake --preset release >/dev/null
targets=(velmora-gateway velmora-fixed-answer-server velmora-wire)
have_admin=0
known_targets="$(cmake --build "$build" --target help)"
if grep -q '^velmora-admin:' <<<"$known_targets"; then
  targets+=(velmora-admin)
  have_admin=1
fi
echo "bench: building ${targets[*]}"
cmake --build "$build" -j 2 --target "${targets[@]}" >/dev/null

bench_name=bench
# shellcheck source=tools/bench/server_process.sh
source "$root/tools/bench/server_process.sh"

# Waits until the server on $1 answers HTTP (any status), for at most 10 s.
wait_ready() {
  local port="$1"
  for _ in $(seq 100); do
    if python3 - "$port" <<'PY' 2>/dev/null; then return 0; fi
import http.client, sys
c = http.client.HTTPConnection("127.0.0.1", int(sys.argv[1]), timeout=1)
c.request("GET", "/healthz")
c.getresponse().read()
PY
    if ! kill -0 "$server_pid" 2>/dev/null; then
      echo "bench: the server on port $port stopped" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "bench: the server on port $port did not come up" >&2
  return 1
}

start_gateway() {  # $1: where its log goes
  port="$(free_port)"
  # wrk's connections all come from 127.0.0.1: let each of them in.
  "$build/service/velmora-gateway" --db "$work/bench.db" --listen "127.0.0.1:$port" \
    --threads "$server_threads" --max-per-address "$connections" >"$1" &
  server_pid=$!
  wait_ready "$port"
  url="http://127.0.0.1:$port/talvenor.asp"
}

start_baseline() {  # $1: answer size in bytes
  port="$(free_port)"
  "$build/tools/velmora-fixed-answer-server" --listen "127.0.0.1:$port" --threads "$server_threads" \
    --size "$1" >/dev/null &
  server_pid=$!
  wait_ready "$port"
  url="http://127.0.0.1:$port/talvenor.asp"
}

# Runs wrk on $url; the output goes to $1, the "result:" figures to the variables rps and p99.
measure() {
  wrk -t2 -c"$connections" -d"${seconds}s" --latency -s "$lua" "$url" >"$1"
  local result
  result="$(grep '^result:' "$1")"
  rps="$(sed -E 's/.* rps=([0-9]+).*/\1/' <<<"$result")"
  p99="$(sed -E 's/.* p99_ms=([0-9.]+).*/\1/' <<<"$result")"
  errors="$(sed -E 's/.* errors=([0-9]+).*/\1/' <<<"$result")"
  sed -n '/Latency Distribution/,/requests in/p' "$1" | sed 's/^/    /'
  echo "    $result"
}

# The database: the demo content when velmora-admin exists; otherwise the gateway makes the
# tables and a few rows go in directly.
if [ "$have_admin" -eq 1 ]; then
  "$build/admin/velmora-admin" --db "$work/bench.db" init --demo >/dev/null
else
  start_gateway /dev/null
  stop_server
  sqlite3 "$work/bench.db" <<'SQL'
INSERT INTO account ("账号", "句柄") VALUES ('demo', '0');
INSERT INTO Latest1 ("股票代码", "备注") VALUES ('600000', 'demo'), ('000001', 'demo'), ('300750', 'demo');
INSERT INTO config2 ("公告标题", "公告") VALUES ('demo', 'demo');
SQL
fi

echo "bench: gateway, log to /dev/null"
start_gateway /dev/null
# The operator's tool, independent of the Lua encoder, gets an accepted answer...
"$build/tools/velmora-wire" query --utf8 "$url" 2 "select count(*) from latest1" >"$work/wire.out"
echo "    velmora-wire query: $(tr '\n' ' ' <"$work/wire.out")"
# ...and so does every request of the Lua script in a short checked run.
POLL_CHECK=1 wrk -t1 -c4 -d2s -s "$lua" "$url" >"$work/check.out"
check="$(grep '^check:' "$work/check.out")"
echo "    $check"
accepted="$(sed -E 's/.*accepted=([0-9]+).*/\1/' <<<"$check")"
refused="$(sed -E 's/.*refused=([0-9]+).*/\1/' <<<"$check")"
answer_bytes="$(sed -E 's/.*answer_bytes=([0-9]+).*/\1/' <<<"$check")"
if [ "$accepted" -eq 0 ] || [ "$refused" -ne 0 ]; then
  echo "bench: the gateway refused requests of the poll mix; the figures would be meaningless" >&2
  exit 1
fi
measure "$work/gateway.out"
gateway_rps="$rps" gateway_p99="$p99" gateway_errors="$errors"
stop_server

echo "bench: baseline, fixed answer of $answer_bytes bytes"
start_baseline "$answer_bytes"
measure "$work/baseline.out"
baseline_rps="$rps" baseline_p99="$p99" baseline_errors="$errors"
stop_server

echo "bench: gateway, log to a file"
start_gateway "$work/gateway.log"
measure "$work/gateway-logged.out"
logged_rps="$rps" logged_p99="$p99" logged_errors="$errors"
stop_server
echo "    log lines written: $(wc -l <"$work/gateway.log")"

echo
echo "poll load: wrk -t2 -c$connections -d${seconds}s, server threads $server_threads, $(nproc) cores"
printf '  %-28s %10s %10s %8s\n' "server" "req/s" "p99 ms" "errors"
printf '  %-28s %10s %10s %8s\n' "baseline (fixed answer)" "$baseline_rps" "$baseline_p99" "$baseline_errors"
printf '  %-28s %10s %10s %8s\n' "gateway, log to /dev/null" "$gateway_rps" "$gateway_p99" "$gateway_errors"
printf '  %-28s %10s %10s %8s\n' "gateway, log to a file" "$logged_rps" "$logged_p99" "$logged_errors"
printf '  gateway/baseline throughput: %s%%\n' "$(( gateway_rps * 100 / (baseline_rps > 0 ? baseline_rps : 1) ))"
if [ "$gateway_rps" -ge "$goal_rps" ] && awk -v p="$gateway_p99" -v g="$goal_p99_ms" 'BEGIN { exit !(p < g) }'; then
  echo "  goal (>= $goal_rps req/s, p99 < $goal_p99_ms ms): met"
else
  echo "  goal (>= $goal_rps req/s, p99 < $goal_p99_ms ms): missed"
fi
