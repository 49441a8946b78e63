#!/usr/bin/env bash
# The real velmora.exe under Wine against two gateways on one PostgreSQL behind HAProxy
# (scripts/cluster.sh): it signs in through HAProxy; a recommendation published with velmora-admin
# on PostgreSQL pops up; one gateway is killed mid-session and the client keeps polling through
# the other, with no sign-out and the next recommendation popping up too; an administrator's
# sign-out reaches it whichever gateway serves its presence check.
# Usage: client_through_cluster.sh NATIVE_BUILD_DIR MINGW64_BUILD_DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
native="$(cd "$1" && pwd)"
mingw="$(cd "$2" && pwd)"

if [ "${3:-}" != --inside ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  chmod 755 "$work"  # the database server runs as another user when the tests run as root
  VELMORA_SKIP_SETUP=1 VELMORA_SKIP_BUILD=1 VELMORA_CLUSTER_TREE="$native" VELMORA_CLUSTER_DIR="$work/cluster" \
    bash "$here/../../scripts/cluster.sh" --gateways 2 --fresh -- bash "${BASH_SOURCE[0]}" "$native" "$mingw" --inside
  exit
fi

source "$here/../../scripts/wine-env.sh"
work="$VELMORA_CLUSTER_DIR"
client_pid=""
trap '[ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null' EXIT
admin() { "$native/admin/velmora-admin" --db "$VELMORA_CLUSTER_OWNER" "$@"; }
fail() {
  echo "FAILED: $*"
  for log in "$work"/gateway-*.log "$work/haproxy.log"; do echo "--- $log"; tail -15 "$log"; done
  import -window root "${TMPDIR:-/tmp}/velmora-e2e-cluster-failure.png" 2>/dev/null &&
    echo "screen: ${TMPDIR:-/tmp}/velmora-e2e-cluster-failure.png"
  exit 1
}
online() { admin account list | awk '$1 == "demo" {print $2}'; }
served() { cat "$work"/gateway-"$1".log | grep -c "kind=" || true; }
# Waits for a pop-up that is not `$1` (the id of one seen before), up to `$2` seconds.
new_popup() {
  local id
  for _ in $(seq $(($2 * 5))); do
    id="$(xdotool search --onlyvisible --name "收到一个新的消息" 2>/dev/null | tail -1 || true)"
    [ -n "$id" ] && [ "$id" != "$1" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

mkdir -p "$work/program"
cp "$mingw/client/velmora.exe" "$work/program/"
admin set poll-seconds 1 >/dev/null
timeout 240 "$VELMORA_WINE" "$work/program/velmora.exe" --gateway "${VELMORA_CLUSTER_PAGE%talvenor.asp}" \
  </dev/null >/dev/null 2>&1 &
client_pid=$!
login="$(velmora_find_window Velmora)" || fail "no login window"
sleep 1
velmora_type_login "$login" demo demo123
for _ in $(seq 50); do [ "$(online)" = yes ] && break; sleep 0.2; done
[ "$(online)" = yes ] || fail "the sign-in through HAProxy was not recorded in PostgreSQL"
sleep 3  # the first load done
[ "$(served 1)" -gt 0 ] && [ "$(served 2)" -gt 0 ] || fail "HAProxy did not share the requests between the gateways"

admin recommend 600519 买入 1650.00 1720.00 "集群推送" >/dev/null
first="$(new_popup "" 15)" || fail "the recommendation published on PostgreSQL did not pop up"

# One gateway dies without a word; HAProxy's next tries go to the other one.
read -r gateway1 _ <<<"$VELMORA_CLUSTER_GATEWAYS"
kill -9 "$gateway1"
before="$(served 2)"
sleep 5
[ "$(served 2)" -gt "$before" ] || fail "the client stopped polling after a gateway was killed"
[ -z "$(xdotool search --onlyvisible --name "提示" 2>/dev/null || true)" ] || fail "a message appeared after a gateway was killed"
[ "$(online)" = yes ] || fail "the account went offline after a gateway was killed"
admin recommend 000001 卖出 11.20 12.40 "单网关仍在" >/dev/null
new_popup "$first" 20 >/dev/null || fail "the recommendation published after the kill did not pop up"

admin account kick demo >/dev/null
box="$(velmora_find_window "提示")" || fail "the administrator's sign-out did not reach the client"
echo "client through the cluster: ok"
