#!/usr/bin/env bash
# Runs a Windows executable under Wine in the project's prefix; CTest's emulator for the
# cross-built tests. Every run is bounded: a Wine program that hangs is killed.
#
# VELMORA_WINE_DPI=144 (say) runs it on a screen of that DPI: Wine takes the DPI from the prefix's
# HKCU\Control Panel\Desktop\LogPixels, read by each process as it starts (no server restart
# needed), so such runs use a prefix of their own beside the usual one and set the value first;
# runs at different DPIs must not overlap.
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ -n "${VELMORA_WINE_DPI:-}" ]; then
  export VELMORA_WINEPREFIX="${VELMORA_WINEPREFIX:-$HOME/.cache/velmora/wine64}-scaled"
fi
source "$here/wine-env.sh"
velmora_prefix_ready || velmora_make_prefix >&2
if [ -n "${VELMORA_WINE_DPI:-}" ]; then
  velmora_set_dpi "$VELMORA_WINE_DPI" || { echo "wine: cannot set the DPI" >&2; exit 1; }
fi
exec timeout --kill-after=5 "${VELMORA_WINE_TIMEOUT:-300}" "$(velmora_loader_for "$1")" "$@" </dev/null
