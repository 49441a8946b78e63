#!/usr/bin/env bash
# The service as it runs when one machine is not enough, on this one machine: a PostgreSQL server
# in a folder of its own, several gateways on it, and HAProxy in front of them (round robin, kept
# connections, each gateway health-checked on /healthz). Prints the address clients are given and
# stops everything when it ends (Ctrl-C, or when the command given after -- ends).
#   bash scripts/cluster.sh [--gateways N] [--port PORT] [--fresh] [-- COMMAND ...]
#     --gateways N   gateways behind HAProxy (2 unless told)
#     --port PORT    HAProxy's port on 127.0.0.1 (a free one unless told)
#     --fresh        a new database with the demo content, even if the folder holds one
#     -- COMMAND     run COMMAND with the cluster up, then stop it; COMMAND sees VELMORA_CLUSTER_PAGE
#                    (the client's address), VELMORA_CLUSTER_OWNER (velmora-admin's --db),
#                    VELMORA_CLUSTER_DIR, VELMORA_CLUSTER_GATEWAYS (the gateways' process ids),
#                    VELMORA_CLUSTER_BACKENDS (their HOST:PORTs), VELMORA_CLUSTER_HAPROXY (its id)
# The folder is build/cluster (VELMORA_CLUSTER_DIR): the database's files, the logs
# (gateway-N.log, haproxy.log, pg/postgres.log) and haproxy.cfg. The programs are the native
# tree's (VELMORA_CLUSTER_TREE chooses another, such as build/release); VELMORA_CLUSTER_GATEWAY_ARGS
# adds options to every gateway.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

gateways=2
port=""
fresh=0
command=()
while [ $# -gt 0 ]; do
  case "$1" in
    --gateways) gateways="${2:?--gateways needs a number}"; shift 2 ;;
    --port) port="${2:?--port needs a number}"; shift 2 ;;
    --fresh) fresh=1; shift ;;
    --) shift; command=("$@"); break ;;
    *) echo "cluster: unknown argument '$1' (see the head of scripts/cluster.sh)" >&2; exit 2 ;;
  esac
done
case "$gateways" in '' | *[!0-9]* | 0) echo "cluster: --gateways takes a number from 1" >&2; exit 2 ;; esac

[ "${VELMORA_SKIP_SETUP:-0}" = 1 ] || bash scripts/setup.sh
tree="${VELMORA_CLUSTER_TREE:-build/native}"
if [ "${VELMORA_SKIP_BUILD:-0}" != 1 ]; then
  preset="$(basename "$tree")"
  [ -f "$tree/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
  echo "cluster: building the gateway and velmora-admin ($tree)"
  cmake --build "$tree" -j "${VELMORA_JOBS:-$(nproc)}" --target velmora-gateway velmora-admin >/dev/null
fi
source scripts/pg-env.sh

dir="${VELMORA_CLUSTER_DIR:-$root/build/cluster}"
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

pids=()
stop() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do { wait "$pid"; } 2>/dev/null || true; done
  velmora_pg_stop "$dir/pg" || true
}
trap stop EXIT
trap 'exit 130' INT TERM

# The database server, on the port it had when the folder holds one already.
if [ "$fresh" = 1 ]; then
  velmora_pg_stop "$dir/pg" 2>/dev/null || true
  rm -rf "$dir/pg" "$dir/gateway-password"
fi
pg_port=""
[ -f "$dir/pg/data/postgresql.conf" ] && pg_port="$(velmora_pg_port "$dir/pg")"
velmora_pg_start "$dir/pg" "${pg_port:-$(free_port)}"
pg_port="$(velmora_pg_port "$dir/pg")"
# The owner reaches the server through its folder's socket only (trusted there), as an operator on
# the database machine would; the gateways come over TCP with the password init gives them.
owner="$(velmora_pg_database "$dir/pg" velmora velmora_owner)"
if [ ! -s "$dir/gateway-password" ]; then
  password="$(python3 -c 'import secrets; print(secrets.token_hex(16))')"
  "$tree/admin/velmora-admin" --db "$owner" init --demo --gateway-password "$password" >"$dir/init.log"
  (umask 077 && echo "$password" >"$dir/gateway-password")
fi
# The gateways' password stays off their command lines: libpq reads it from a password file.
(umask 077 && echo "127.0.0.1:$pg_port:velmora:velmora_gateway:$(cat "$dir/gateway-password")" >"$dir/pgpass")
export PGPASSFILE="$dir/pgpass"
gateway_db="postgresql://velmora_gateway@127.0.0.1:$pg_port/velmora"

# The gateways, each on a port of its own.
backends=""
gateway_pids=""
gateway_addresses=""
for n in $(seq "$gateways"); do
  log="$dir/gateway-$n.log"
  # HAProxy connects from 127.0.0.1 for every client: the gateway takes the client's address from
  # the X-Forwarded-For it adds, and does not cap its connections as one client's.
  "$tree/service/velmora-gateway" --db "$gateway_db" --listen 127.0.0.1:0 --trusted-proxy 127.0.0.1 \
    ${VELMORA_CLUSTER_GATEWAY_ARGS:-} >"$log" 2>&1 &
  pids+=($!)
  gateway_pids="$gateway_pids $!"
  for _ in $(seq 100); do grep -q "listening on" "$log" && break; sleep 0.1; done
  address="$(grep -o 'http://[^ ]*' "$log" | head -1)"
  [ -n "$address" ] || { echo "cluster: gateway $n did not start; its log:" >&2; cat "$log" >&2; exit 1; }
  hostport="${address#http://}"
  hostport="${hostport%%/*}"
  gateway_addresses="$gateway_addresses $hostport"
  page_path="/${address#http://*/}"
  backends="$backends    server gateway-$n $hostport check"$'\n'
done

# HAProxy: round robin over kept connections; a gateway whose /healthz fails twice in a row is
# taken out until it answers again, so a gateway that stops costs at most a couple of requests.
port="${port:-$(free_port)}"
# Every client's connection takes two descriptors (the client's and a gateway's).
fds="$(ulimit -n)"
[ "$fds" = unlimited ] && fds=65536
maxconn=$(((fds - 64) / 2))
cat >"$dir/haproxy.cfg" <<EOF
global
    maxconn $maxconn
defaults
    mode http
    option http-keep-alive
    option forwardfor
    option redispatch
    retries 2
    timeout connect 2s
    timeout client 60s
    timeout server 60s
    timeout http-keep-alive 60s
frontend clients
    bind 127.0.0.1:$port
    default_backend gateways
backend gateways
    balance roundrobin
    option httpchk GET /healthz
    http-check expect status 200
    default-server inter 1s fall 2 rise 1
$backends
EOF
haproxy -c -q -f "$dir/haproxy.cfg"
haproxy -db -f "$dir/haproxy.cfg" >"$dir/haproxy.log" 2>&1 &
pids+=($!)
haproxy_pid=$!
page="http://127.0.0.1:$port$page_path"
for _ in $(seq 100); do
  curl -fsS -o /dev/null "http://127.0.0.1:$port/healthz" 2>/dev/null && break
  sleep 0.1
done
curl -fsS -o /dev/null "http://127.0.0.1:$port/healthz" || {
  echo "cluster: HAProxy does not answer; its log:" >&2; cat "$dir/haproxy.log" >&2; exit 1; }

echo "cluster: $gateways gateways on PostgreSQL (port $pg_port) behind HAProxy"
echo "cluster: clients use $page"
echo "cluster: velmora-admin --db '$owner'"
echo "cluster: logs in $dir"
if [ ${#command[@]} -gt 0 ]; then
  VELMORA_CLUSTER_PAGE="$page" VELMORA_CLUSTER_OWNER="$owner" VELMORA_CLUSTER_DIR="$dir" \
    VELMORA_CLUSTER_GATEWAYS="${gateway_pids# }" VELMORA_CLUSTER_BACKENDS="${gateway_addresses# }" \
    VELMORA_CLUSTER_HAPROXY="$haproxy_pid" "${command[@]}"
else
  echo "cluster: Ctrl-C stops it"
  wait -n "${pids[@]}" || true
  echo "cluster: a part of it ended (see the logs in $dir); stopping the rest" >&2
fi
