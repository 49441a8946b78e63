# Sourced by the benchmarks that run a Windows program under Wine: picks the build to measure
# ($build: VELMORA_BENCH_BUILD, i686 for the release build in build/mingw32 under Wine's 32-bit
# loader, x86_64 for build/mingw64 unless told; $tree: its folder under build/), configures what
# is missing and builds the native service and the Windows targets given.
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
