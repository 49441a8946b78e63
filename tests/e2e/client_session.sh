# Sourced by the end-to-end scripts that run one gateway and one velmora.exe: a work folder, the
# two processes' ids (set them as they start), and their end on every exit; `fail` says why with
# the gateway's last lines and a picture of the screen. Needs scripts/wine-env.sh sourced first.
work="$(mktemp -d)"
gateway_pid=""
client_pid=""
cleanup() {
  [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null
  [ -n "$gateway_pid" ] && kill "$gateway_pid" 2>/dev/null && wait "$gateway_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  echo "--- gateway log"
  tail -20 "$work/gateway.log"
  import -window root "${TMPDIR:-/tmp}/velmora-e2e-failure.png" 2>/dev/null && echo "screen: ${TMPDIR:-/tmp}/velmora-e2e-failure.png"
  exit 1
}
