#!/usr/bin/env bash
# A PostgreSQL server of its own in a folder, on a port and a Unix socket in that folder: for the
# tests and for running several gateways on one machine. PostgreSQL refuses to run as root, so as
# root the server runs as "nobody" (VELMORA_PG_USER chooses another user), which owns the folder.
#
#   bash scripts/pg-env.sh start DIR PORT   make DIR (initdb) if new, start the server, wait for it
#   bash scripts/pg-env.sh stop DIR         stop it (fast: sessions are ended, nothing committed lost)
#   bash scripts/pg-env.sh crash DIR        stop it as a power cut would (immediate: no checkpoint;
#                                           what was committed and flushed comes back at the start)
#   bash scripts/pg-env.sh status DIR       exit 0 while it runs
#   bash scripts/pg-env.sh database DIR NAME OWNER
#                                           an owner role (may create roles) and its UTF-8
#                                           database, if missing; prints the owner's URI for
#                                           velmora-admin --db
#
# Sourced, it gives the same as functions: velmora_pg_start, velmora_pg_stop, velmora_pg_status,
# velmora_pg_crash, velmora_pg_database, velmora_pg_port, velmora_pg_bindir. The bootstrap superuser is "postgres", trusted on the folder's socket only;
# connections over TCP (127.0.0.1:PORT) need a password (SCRAM). The server's log is DIR/postgres.log.
# `psql -h DIR -p PORT -U postgres` reaches it.

# The folder of initdb, postgres and pg_ctl: VELMORA_PG_BINDIR when set, else pg_config's or
# Debian's newest.
velmora_pg_bindir() {
  local dir candidates
  if [ -n "${VELMORA_PG_BINDIR:-}" ]; then
    candidates=("$VELMORA_PG_BINDIR")
  else
    candidates=("$(pg_config --bindir 2>/dev/null)" $(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V -r))
  fi
  for dir in "${candidates[@]}"; do
    if [ -n "$dir" ] && [ -x "$dir/initdb" ] && [ -x "$dir/postgres" ] && [ -x "$dir/pg_ctl" ]; then
      echo "$dir"
      return 0
    fi
  done
  echo "pg-env: the PostgreSQL server programs (initdb, postgres, pg_ctl) are not installed: run scripts/setup.sh" >&2
  return 1
}

# Runs a command as the server's user: "nobody" when we are root, ourselves otherwise.
_velmora_pg_as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    local user="${VELMORA_PG_USER:-nobody}"
    setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups -- "$@"
  else
    "$@"
  fi
}

velmora_pg_start() {
  local dir="$1" port="$2" bin
  if [ -z "$dir" ] || [ -z "$port" ]; then
    echo "pg-env: start needs a folder and a port" >&2
    return 2
  fi
  bin="$(velmora_pg_bindir)" || return 1
  mkdir -p "$dir"
  dir="$(cd "$dir" && pwd)"
  if [ "$(id -u)" -eq 0 ]; then
    local user="${VELMORA_PG_USER:-nobody}"
    chown "$user:$(id -gn "$user")" "$dir"
  fi
  chmod 0755 "$dir"  # the socket's folder: clients of any user connect through it
  if [ ! -s "$dir/data/PG_VERSION" ]; then
    # The tables hold UTF-8 text; the C locale sorts by bytes, as SQLite does.
    _velmora_pg_as_owner "$bin/initdb" -D "$dir/data" -U postgres -E UTF8 --locale=C \
      --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 || {
      echo "pg-env: initdb failed in $dir/data:" >&2
      cat "$dir/initdb.log" >&2
      return 1
    }
    cat >>"$dir/data/postgresql.conf" <<EOF
# velmora pg-env: this folder's server
port = $port
listen_addresses = '127.0.0.1'
unix_socket_directories = '$dir'
max_connections = 200
EOF
  fi
  if velmora_pg_status "$dir"; then
    return 0
  fi
  _velmora_pg_as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/postgres.log" -w -t 60 start >/dev/null || {
    echo "pg-env: the server in $dir did not start (port $port taken?); its log:" >&2
    tail -n 20 "$dir/postgres.log" >&2
    return 1
  }
}

velmora_pg_stop() {
  local dir="$1" mode="${2:-fast}" bin
  bin="$(velmora_pg_bindir)" || return 1
  [ -d "$dir/data" ] || return 0
  velmora_pg_status "$dir" || return 0
  _velmora_pg_as_owner "$bin/pg_ctl" -D "$dir/data" -m "$mode" -w -t 60 stop >/dev/null
}

velmora_pg_crash() { velmora_pg_stop "$1" immediate; }

velmora_pg_status() {
  local dir="$1" bin
  bin="$(velmora_pg_bindir)" || return 1
  _velmora_pg_as_owner "$bin/pg_ctl" -D "$dir/data" status >/dev/null 2>&1
}

# The port the server in DIR was made with.
velmora_pg_port() {
  sed -n 's/^port = \([0-9]*\)$/\1/p' "$1/data/postgresql.conf" | tail -n 1
}

velmora_pg_database() {
  local dir="$1" name="$2" owner="$3" port bin
  case "$name$owner" in
    *[!a-z0-9_]* | "") echo "pg-env: database and owner names are lower-case letters, digits and _" >&2; return 2 ;;
  esac
  bin="$(velmora_pg_bindir)" || return 1
  dir="$(cd "$dir" && pwd)"
  port="$(velmora_pg_port "$dir")"
  local psql=("$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" -U postgres -d postgres -At)
  if [ -z "$("${psql[@]}" -c "SELECT 1 FROM pg_roles WHERE rolname = '$owner'")" ]; then
    "${psql[@]}" -c "CREATE ROLE $owner LOGIN CREATEROLE" || return 1
  fi
  if [ -z "$("${psql[@]}" -c "SELECT 1 FROM pg_database WHERE datname = '$name'")" ]; then
    "${psql[@]}" -c "CREATE DATABASE $name OWNER $owner TEMPLATE template0 ENCODING 'UTF8'" || return 1
  fi
  echo "postgresql://$owner@/$name?host=$dir&port=$port"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case "${1:-}" in
    start) velmora_pg_start "${2:-}" "${3:-}" ;;
    stop) velmora_pg_stop "${2:-}" ;;
    crash) velmora_pg_crash "${2:-}" ;;
    database) velmora_pg_database "${2:-}" "${3:-}" "${4:-}" ;;
    status) velmora_pg_status "${2:-}" ;;
    *)
      echo "usage: pg-env.sh start DIR PORT | stop DIR | crash DIR | status DIR | database DIR NAME OWNER" >&2
      exit 2
      ;;
  esac
fi
