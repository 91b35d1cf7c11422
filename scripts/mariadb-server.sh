# A private MariaDB server whose files all live in one folder DIR: data/, the socket, the pid
# file, the error log, temporary files and, with --tls, a self-signed certificate. It listens on
# 127.0.0.1 and a free port; root reaches it through the socket without a password, and no
# other account exists until the caller makes one. Sourced by testdb.sh and demo.sh:
#   mariadb_server_start DIR [--tls] [SERVER OPTION…]   DIR/port holds the port afterwards
#                                      (MARIADB_SERVER_PORT set: that port, not a free one)
#   mariadb_root DIR [CLIENT OPTION…]                   the mariadb client as root
#   mariadb_server_stop DIR

mariadb_run_as=()
[[ $(id -u) -eq 0 ]] && mariadb_run_as=(--user=root)

# The server started in DIR, when it still runs (a pid of another program is never taken for it).
mariadb_server_pid() {
  local dir=$1 pid
  [[ -f $dir/mariadb.pid ]] || return 1
  pid=$(<"$dir/mariadb.pid")
  [[ -r /proc/$pid/cmdline ]] || return 1
  tr '\0' '\n' <"/proc/$pid/cmdline" | grep -qxF -- "--datadir=$dir/data" || return 1
  echo "$pid"
}

mariadb_server_stop() {
  local dir=$1 pid
  pid=$(mariadb_server_pid "$dir") || { rm -f "$dir/mariadb.pid"; return 0; }
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
  rm -f "$dir/mariadb.pid"
}

# The socket's path is given relative to DIR, so that a deep checkout does not pass the 107 bytes
# a socket path may have.
mariadb_root() {
  local dir=$1
  shift
  (cd "$dir" && mariadb --no-defaults --socket=mysqld.sock -uroot "$@")
}

mariadb_ping() {
  (cd "$1" && mariadb-admin --no-defaults --socket=mysqld.sock -uroot ping) >/dev/null 2>&1
}

mariadb_free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

mariadb_install() {
  local dir=$1
  mkdir -p "$dir/data" "$dir/tmp"
  mariadb-install-db --no-defaults "${mariadb_run_as[@]}" --datadir="$dir/data" --tmpdir="$dir/tmp" \
    --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1 ||
    { cat "$dir/install.log" >&2; return 1; }
}

mariadb_make_certificate() {
  local dir=$1
  mkdir -p "$dir/tls"
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 -batch \
    -subj /CN=tavrel-private-mariadb -keyout "$dir/tls/key.pem" -out "$dir/tls/cert.pem" >/dev/null 2>&1
}

mariadb_server_start() {
  local dir=$1
  shift
  local options=()
  if [[ ${1:-} == --tls ]]; then
    shift
    [[ -f $dir/tls/cert.pem ]] || mariadb_make_certificate "$dir"
    options+=(--ssl-cert="$dir/tls/cert.pem" --ssl-key="$dir/tls/key.pem")
  fi
  mariadb_server_stop "$dir"  # one left running by a run that was killed
  local fresh=
  mkdir -p "$dir/tmp"
  [[ -d $dir/data/mysql ]] || { mariadb_install "$dir" || return 1; fresh=1; }
  # The free port may be taken by someone else before the server binds it: then another one.
  local port attempt
  for attempt in 1 2 3 4 5; do
    port=${MARIADB_SERVER_PORT:-$(mariadb_free_port)}
    local logged
    logged=$(wc -l 2>/dev/null <"$dir/error.log" || echo 0)
    (cd "$dir/data" && exec mariadbd --no-defaults "${mariadb_run_as[@]}" --datadir="$dir/data" \
      --socket=../mysqld.sock --port="$port" --bind-address=127.0.0.1 --skip-name-resolve \
      --pid-file="$dir/mariadb.pid" --log-error="$dir/error.log" --tmpdir="$dir/tmp" \
      "${options[@]}" "$@" >/dev/null 2>&1) &
    local server=$!
    for _ in $(seq 1 300); do
      mariadb_ping "$dir" && break
      kill -0 "$server" 2>/dev/null || break
      sleep 0.2
    done
    mariadb_ping "$dir" && break
    # One still starting after a minute is not left behind.
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    [[ $(tail -n +$((logged + 1)) "$dir/error.log") == *"Address already in use"* ]] || break
  done
  mariadb_ping "$dir" ||
    { echo "The MariaDB server in $dir did not start:" >&2; cat "$dir/error.log" >&2; return 1; }
  echo "$port" >"$dir/port"
  # A new server has root accounts without a password on 127.0.0.1 and ::1 too: only the one
  # through the socket stays.
  [[ -z $fresh ]] || mariadb_root "$dir" <<'SQL'
DELETE FROM mysql.global_priv WHERE User = '' OR (User = 'root' AND Host <> 'localhost');
FLUSH PRIVILEGES;
SQL
}
