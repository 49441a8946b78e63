#!/usr/bin/env bash
# Builds everything (native with sanitizers, Windows x86_64, Windows i686) and runs every test:
# the native tests directly, the Windows tests under Wine, in one CTest run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
bash scripts/setup.sh
jobs="${VELMORA_JOBS:-$(nproc)}"

# Every tree is built with warnings as errors. A tree configured before that (or by hand without
# it) is configured again with the option, once; otherwise its cache is left as it is.
configure() {
  local preset="$1" cache="build/$1/CMakeCache.txt"
  if [ ! -f "$cache" ]; then
    cmake --preset "$preset" -DVELMORA_WERROR=ON >/dev/null
  elif ! grep -qx 'VELMORA_WERROR:BOOL=ON' "$cache"; then
    cmake -S . -B "build/$preset" -DVELMORA_WERROR=ON >/dev/null
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

# One CTest run over both test trees.
cat >build/CTestTestfile.cmake <<CTEST
subdirs("native")
subdirs("mingw64")
subdirs("fuzz")
add_test(e2e.windows_client_against_gateway "bash" "$root/tests/e2e/windows_client_against_gateway.sh" "$root/build/native" "$root/build/mingw64")
set_tests_properties(e2e.windows_client_against_gateway PROPERTIES TIMEOUT 120)
add_test(e2e.client_login_against_gateway "bash" "$root/tests/e2e/client_login_against_gateway.sh" "$root/build/native" "$root/build/mingw64")
set_tests_properties(e2e.client_login_against_gateway PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
add_test(e2e.client_login_english_windows "bash" "$root/tests/e2e/client_login_against_gateway.sh" "$root/build/native" "$root/build/mingw64")
add_test(e2e.installer_under_wine "bash" "$root/tests/e2e/installer_under_wine.sh" "$root/build/native" "$root/build/mingw64")
set_tests_properties(e2e.installer_under_wine PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
add_test(e2e.demo "bash" "$root/scripts/demo.sh" "--screenshots")
set_tests_properties(e2e.demo PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
set_tests_properties(e2e.client_login_english_windows PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE ENVIRONMENT "VELMORA_WINE_LANG=C.UTF-8")
CTEST

source scripts/wine-env.sh
trap velmora_stop_wine EXIT
velmora_start_wine
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300 "$@"
