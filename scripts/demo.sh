#!/usr/bin/env bash
# Opens Tavrel on demo data, leaving the user's own settings alone. Everything lives in .demo/
# of the checkout (or in TAVREL_DEMO_DIR): a private MariaDB server (127.0.0.1, a free port, TLS) with the database
# `demo`, the FoxPro side (free tables and a copy of the Northwind container), and the settings
# file Tavrel reads through XDG_CONFIG_HOME. The data is made on first use and kept; the server
# runs only while Tavrel does.
#   scripts/demo.sh [--reset] BUILD_DIR   runs BUILD_DIR/tavrel (BUILD_DIR/foxsql writes the tables)
# Sourced (scripts/screenshots.sh), it gives demo_start and demo_stop without running anything.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
demo=${TAVREL_DEMO_DIR:-$repo/.demo}
mysql=$demo/mysql
source "$repo/scripts/mariadb-server.sh"

# Writes one value the way Qt's INI reader takes it back unchanged: quoted, with \ and " escaped.
ini_value() {
  local v=${2//\\/\\\\}
  printf '%s="%s"\n' "$1" "${v//\"/\\\"}"
}

demo_make_mysql() {
  rm -f "$mysql/made"
  local password
  password=$(openssl rand -hex 16)
  # The password goes to the server on standard input and into option files of mode 0600,
  # never onto a command line.
  mariadb_root "$mysql" <<SQL
DROP DATABASE IF EXISTS demo;
DROP USER IF EXISTS 'demo'@'127.0.0.1';
CREATE DATABASE demo CHARACTER SET utf8mb4;
CREATE USER 'demo'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON demo.* TO 'demo'@'127.0.0.1';
SQL
  (umask 077 && printf '[client]\nuser=demo\npassword=%s\nhost=127.0.0.1\ndefault-character-set=utf8mb4\n' \
    "$password" >"$mysql/demo.cnf")
  # Loaded as the demo user, over TCP as Tavrel connects: the account is proven before Tavrel opens.
  mariadb --defaults-file="$mysql/demo.cnf" --port="$(<"$mysql/port")" demo <"$repo/scripts/demo/mysql.sql"
  touch "$mysql/made"
}

demo_make_foxpro() {
  local build=$1 new=$demo/foxpro.new
  rm -rf "$new"
  mkdir -p "$new/free"
  cp -r "$repo/tests/fixtures/foxpro/northwind" "$new/northwind"
  # New FoxPro tables take the locale's code page; the demo's text is in code page 1252.
  "$repo/scripts/demo/foxpro.py" | LC_ALL=C.UTF-8 "$build/foxsql" "$new/free" >/dev/null
  mv "$new" "$demo/foxpro"
}

# The eight values, written afresh at every start: the port changes from run to run.
demo_write_settings() {
  local password
  password=$(sed -n 's/^password=//p' "$mysql/demo.cnf")
  mkdir -p "$demo/config"
  (
    umask 077
    {
      echo "[Tavrel]"
      ini_value DBCFile "$demo/foxpro/northwind/northwind.dbc"
      ini_value FreeTableFolder "$demo/foxpro/free"
      ini_value FoxproOption 1
      ini_value MySQLServer 127.0.0.1
      ini_value MySQLPort "$(<"$mysql/port")"
      ini_value MySQLUser demo
      ini_value MySQLPassword "$password"
      ini_value MySQLDatabase demo
    } >"$demo/config/Ombrix.ini"
  )
}

# Starts the server and makes what is missing; afterwards the environment points Tavrel at the
# demo. One demo runs at a time: file descriptor 9 holds its lock until the shell ends.
demo_start() {
  local build=$1 reset=${2:-}
  mkdir -p "$demo"
  chmod 700 "$demo"  # the server's socket and the password are for this user only
  exec 9>"$demo/lock"
  flock -n 9 || { echo "The demo is already open (another ./run); close that Tavrel first." >&2; exit 1; }
  demo_locked=1
  if [[ -n $reset ]]; then
    mariadb_server_stop "$mysql"
    find "$demo" -mindepth 1 -maxdepth 1 ! -name lock -exec rm -rf {} +
  fi
  [[ -d $demo/foxpro ]] || demo_make_foxpro "$build"
  # The server must not keep the lock: a server left by a killed run would hold it forever.
  mariadb_server_start "$mysql" --tls --innodb-buffer-pool-size=64M 9>&-
  [[ -f $mysql/made ]] || demo_make_mysql
  demo_write_settings
  export XDG_CONFIG_HOME=$demo/config
  # Without a session's runtime folder Qt would make /tmp/runtime-$USER.
  if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    mkdir -p -m 700 "$demo/runtime"
    export XDG_RUNTIME_DIR=$demo/runtime
  fi
}

# Only the holder of the lock stops the server: a second ./run turned away must leave the first
# one's server running.
demo_locked=
demo_stop() { [[ -z $demo_locked ]] || mariadb_server_stop "$mysql"; }

app=
# Ctrl-C, a closed terminal or a kill end Tavrel too, and then the server (the EXIT trap).
on_signal() {
  [[ -z $app ]] || { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null || true; }
  exit "$1"
}

main() {
  local reset=
  [[ ${1:-} == --reset ]] && { reset=1; shift; }
  [[ $# -eq 1 ]] || { echo "usage: $0 [--reset] BUILD_DIR" >&2; exit 2; }
  local build=$1
  trap demo_stop EXIT
  trap 'on_signal 130' INT
  trap 'on_signal 143' TERM
  trap 'on_signal 129' HUP
  demo_start "$build" "$reset"
  echo "Demo: MariaDB on 127.0.0.1:$(<"$mysql/port"), FoxPro in $demo/foxpro (./run --reset-demo makes it afresh)"
  # In the background, so that a signal reaches the traps while Tavrel runs.
  "$build/tavrel" 9>&- </dev/null &
  app=$!
  local status=0
  wait "$app" || status=$?
  app=
  return "$status"
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then main "$@"; fi
