#!/usr/bin/env bash
# The skin benchmark (velmora-bench-skin) on screens of 96, 144 and 192 DPI, one run each in the
# scaled prefix (scripts/wine-run.sh sets its DPI before each run). Wine must be running
# (velmora_start_wine).
#   tools/bench/skin_bench.sh [build/mingw64/tools/velmora-bench-skin.exe] [rounds]
set -eu
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
exe="${1:-$here/../../build/mingw64/tools/velmora-bench-skin.exe}"
rounds="${2:-200}"
for dpi in 96 144 192; do
  VELMORA_WINE_DPI=$dpi bash "$here/../../scripts/wine-run.sh" "$exe" "$rounds" "$dpi"
  echo
done
