# Sourced by the benchmarks that run a Windows program under Wine (after scripts/wine-env.sh):
# picks the build to measure
# ($build: VELMORA_BENCH_BUILD, i686 for the release build in build/mingw32 under Wine's 32-bit
# loader, x86_64 for build/mingw64 unless told; $tree: its folder under build/), configures what
# is missing and builds the native service and the Windows targets given; and gives what both
# benchmarks use to start the gateway and to read the wineserver's time.
#   source tools/bench/wine_build.sh TARGET...
build="${VELMORA_BENCH_BUILD:-x86_64}"
case "$build" in
  i686) tree=mingw32 ;;
  x86_64) tree=mingw64 ;;
  *) echo "VELMORA_BENCH_BUILD: i686 or x86_64, not '$build'" >&2; exit 2 ;;
esac
for preset in native "$tree"; do
  [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
done
cmake --build build/native --target velmora-gateway velmora-admin >/dev/null
cmake --build "build/$tree" --target "$@" >/dev/null

# Starts the native gateway on the database $1 (logging to $2), sets $gateway_pid and $page (the
# client's page address). The caller's exit trap stops it.
bench_start_gateway() {
  build/native/service/velmora-gateway --db "$1" --listen 127.0.0.1:0 >"$2" 2>&1 &
  gateway_pid=$!
  for _ in $(seq 100); do grep -q "listening on" "$2" && break; sleep 0.1; done
  page="$(grep -o 'listening on http://[^ ]*' "$2" | cut -d' ' -f3)"
  [ -n "$page" ] || { echo "the gateway did not start:" >&2; cat "$2" >&2; exit 1; }
}

# The wineserver of this prefix: it does part of every Wine program's work (messages, waits,
# handles), and here serves only the programs measured and the idle one.
bench_wineserver_pid() {
  local pid
  for pid in $(pgrep -f wineserver); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$pid"; return; }
  done
}

# utime + stime of process $1, in clock ticks.
bench_ticks_of() { awk '{print $14 + $15}' "/proc/$1/stat"; }
