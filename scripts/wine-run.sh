#!/usr/bin/env bash
# Runs a Windows executable under Wine in the project's prefix; CTest's emulator for the
# cross-built tests. Every run is bounded: a Wine program that hangs is killed.
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/wine-env.sh"
velmora_prefix_ready || velmora_make_prefix >&2
exec timeout --kill-after=5 "${VELMORA_WINE_TIMEOUT:-300}" "$(velmora_loader_for "$1")" "$@" </dev/null
