#!/usr/bin/env bash
# Runs a Windows console program under Wine with the project's prefix, passing its output
# through a file: a pipe straight from Wine can be held open by Wine's helper processes.
set -u
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
out="$(mktemp)"
"$here/wine-run.sh" "$@" >"$out" 2>/dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
