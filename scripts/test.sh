#!/usr/bin/env bash
# Builds everything (native with sanitizers, Windows x86_64, Windows i686) and runs every test:
# the native tests directly, the Windows tests under Wine, in one CTest run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
jobs="${VELMORA_JOBS:-$(nproc)}"

# Every tree is built with warnings as errors, and the Windows tests run the native tree's
# service. A tree configured before those settings (or by hand without them) is configured again
# with them, once; otherwise its cache is left as it is.
configure() {
  local preset="$1" cache="build/$1/CMakeCache.txt" windows=0
  local settings=(-DVELMORA_WERROR=ON)
  case "$preset" in mingw64|mingw32) windows=1 ;; esac
  [ "$windows" = 1 ] && settings+=(-DVELMORA_NATIVE_TREE="$root/build/native" -DVELMORA_TESTS=ON)
  if [ ! -f "$cache" ]; then
    cmake --preset "$preset" "${settings[@]}" >/dev/null
  elif ! grep -qx 'VELMORA_WERROR:BOOL=ON' "$cache" ||
       { [ "$windows" = 1 ] && { ! grep -q '^VELMORA_NATIVE_TREE:[A-Z]*=.' "$cache" ||
                                 ! grep -qx 'VELMORA_TESTS:BOOL=ON' "$cache"; }; }; then
    cmake -S . -B "build/$preset" "${settings[@]}" >/dev/null
  fi
}

for preset in native mingw64 mingw32; do
  configure "$preset"
  echo "build: $preset"
  cmake --build "build/$preset" -j "$jobs"
done
# The fuzz targets (clang, libFuzzer); the test run gives each a few seconds from its seeds.
configure fuzz
echo "build: fuzz"
cmake --build build/fuzz -j "$jobs" --target velmora_fuzz

# One CTest run over the four test trees: native, both Windows builds (the i686 tests named and
# labelled so), fuzz; the end-to-end runs are the mingw64 tree's.
printf 'subdirs("native")\nsubdirs("mingw64")\nsubdirs("mingw32")\nsubdirs("fuzz")\n' >build/CTestTestfile.cmake

source scripts/wine-env.sh
trap velmora_stop_wine EXIT
velmora_start_wine
# A test that fails is run once more, and its failure stays in the log above its second run: on a
# loaded machine a Wine program now and then fails before its test has run (seen in the message box
# and feed page tests, which passed in every run after). A test that fails twice fails the run.
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300 --repeat until-pass:2 "$@"
