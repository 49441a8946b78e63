#!/usr/bin/env bash
# The feed page's initial load of 10,000 recommendations and 1,000 announcements from a running
# service, beside the raw HTTP transfer of the same answers (velmora-bench-feed.exe under Wine).
#   bash tools/bench/feed_load_bench.sh [rounds]
# VELMORA_BENCH_BUILD=i686 measures the release build (build/mingw32, Wine's 32-bit loader);
# x86_64 (build/mingw64) unless told.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
cd "$root"
rounds="${1:-5}"
source scripts/wine-env.sh
server_tree=build/release
[ -f "$server_tree/CMakeCache.txt" ] || cmake --preset release >/dev/null
cmake --build "$server_tree" --target velmora-gateway velmora-admin >/dev/null
build="${VELMORA_BENCH_BUILD:-x86_64}"
case "$build" in
  i686) tree=mingw32 ;;
  x86_64) tree=mingw64 ;;
  *) echo "VELMORA_BENCH_BUILD: i686 or x86_64, not '$build'" >&2; exit 2 ;;
esac
[ -f "build/$tree/CMakeCache.txt" ] || cmake --preset "$tree" >/dev/null
cmake --build "build/$tree" --target velmora-bench-feed >/dev/null

work="$(mktemp -d)"
gateway_pid=""
trap '[ -n "$gateway_pid" ] && kill "$gateway_pid" 2>/dev/null; velmora_stop_wine; rm -rf "$work"' EXIT
"$server_tree/admin/velmora-admin" --db "$work/db" init --demo >/dev/null
# Copies of the demo rows, doubled until there are enough, then cut to the exact number.
grow() {  # table columns count
  local have
  for _ in $(seq 20); do
    have="$(sqlite3 "$work/db" "select count(*) from $1")"
    [ "$have" -ge "$3" ] && break
    sqlite3 "$work/db" "insert into $1 ($2) select $2 from $1"
  done
  sqlite3 "$work/db" "delete from $1 where 编号 > (select 编号 from $1 order by 编号 limit 1 offset $(($3 - 1)))"
}
grow Latest1 "推荐时间,股票代码,操作方式,支撑位,阻力位,备注" 10000
grow config2 "更新日期,公告,字体名称,字体大小,字体颜色,公告标题" 1000

"$server_tree/service/velmora-gateway" --db "$work/db" --listen 127.0.0.1:0 >"$work/gateway.log" 2>&1 &
gateway_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$work/gateway.log" && break; sleep 0.1; done
page="$(grep -o 'http://[^ ]*' "$work/gateway.log" | head -1)"
velmora_start_wine
timeout 600 "$(velmora_loader_for "build/$tree/tools/velmora-bench-feed.exe")" "build/$tree/tools/velmora-bench-feed.exe" "$page" "$rounds" </dev/null >"$work/out.txt" 2>&1 || true
cat "$work/out.txt"
