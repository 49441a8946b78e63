# Sourced by the benchmark scripts: a scratch folder ($work, under /tmp, named after
# $bench_name) removed at exit, and the one server process at a time they run ($server_pid),
# stopped at exit too.
work="$(mktemp -d "/tmp/velmora-${bench_name:-bench}.XXXXXX")"
server_pid=""
stop_server() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
  fi
}
cleanup() {
  stop_server
  rm -rf "$work"
}
trap cleanup EXIT

# A TCP port free on 127.0.0.1 just now.
free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
