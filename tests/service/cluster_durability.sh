#!/usr/bin/env bash
# Two gateways on one PostgreSQL behind HAProxy (scripts/cluster.sh) take sign-ups from two
# writers at once; one gateway is killed with kill -9 in the middle. Every sign-up the service
# acknowledged ("6") must be in the database afterwards; the writers go on through the other one.
# Usage: cluster_durability.sh NATIVE_BUILD_DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
native="$(cd "$1" && pwd)"

if [ "${2:-}" != --inside ]; then
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  chmod 755 "$work"  # the database server runs as another user when the tests run as root
  VELMORA_SKIP_SETUP=1 VELMORA_SKIP_BUILD=1 VELMORA_CLUSTER_TREE="$native" VELMORA_CLUSTER_DIR="$work/cluster" \
    bash "$here/../../scripts/cluster.sh" --gateways 2 --fresh -- bash "${BASH_SOURCE[0]}" "$native" --inside
  exit
fi

work="$VELMORA_CLUSTER_DIR"
admin() { "$native/admin/velmora-admin" --db "$VELMORA_CLUSTER_OWNER" "$@"; }
fail() {
  echo "FAILED: $*"
  for log in "$work"/gateway-*.log "$work/haproxy.log"; do echo "--- $log"; tail -10 "$log"; done
  exit 1
}
admin set signup open >/dev/null

# Sends sign-ups w<writer>-<n> until the file "stop" appears; writes each acknowledged name.
writer() {
  local n=0 answer
  local columns='`账号`,`密码`,`姓名`,`身份证号`,`状态`,`创建时间`,`在线`'
  while [ ! -e "$work/stop" ]; do
    n=$((n + 1))
    answer="$("$native/tools/velmora-wire" query --utf8 "$VELMORA_CLUSTER_PAGE" 1 \
      "insert into account ($columns) values ('w$1n$n','A1B2','138','12345','0','2026年12月11日9时','0')" \
      2>/dev/null || true)"
    [ "$answer" = 6 ] && echo "w$1n$n" >>"$work/acknowledged-$1"
  done
}
writer 1 &
one=$!
writer 2 &
two=$!
sleep 3
read -r gateway1 gateway2 <<<"$VELMORA_CLUSTER_GATEWAYS"
grep -q "kind=insert" "$work/gateway-1.log" && grep -q "kind=insert" "$work/gateway-2.log" ||
  fail "the sign-ups did not go through both gateways"
kill -9 "$gateway1"
killed_at="$(cat "$work"/acknowledged-* | wc -l)"
sleep 4
touch "$work/stop"
wait "$one" "$two"
acknowledged="$(cat "$work"/acknowledged-* | sort)"
count="$(echo "$acknowledged" | wc -l)"
[ "$count" -gt "$((killed_at + 10))" ] || fail "the writers did not go on through the other gateway ($killed_at before the kill, $count in all)"
kill -0 "$gateway2" 2>/dev/null || fail "the other gateway died too"
stored="$(admin account list | awk 'NR > 1 {print $1}' | grep '^w[12]n' | sort)"
missing="$(comm -23 <(echo "$acknowledged") <(echo "$stored"))"
[ -z "$missing" ] || fail "acknowledged but not stored: $(echo "$missing" | head -5 | tr '\n' ' ')"
echo "cluster durability: $count sign-ups acknowledged ($killed_at before the kill), every one stored"
