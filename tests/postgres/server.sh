#!/bin/sh
# A private PostgreSQL server for the tests and benchmarks, reached only
# through a Unix socket in its own temporary folder:
#   server.sh start STATE [sync]
#                           initdb into a new folder, start a primary and a
#                           streaming standby copied from it (pg_basebackup
#                           -R), each on its own socket folder, and write the
#                           primary's connection string into the file STATE,
#                           then "standby " and the standby's on a second
#                           line. With "sync" every commit waits for the
#                           standby (a pair for failing over without losing
#                           a save).
#   server.sh stop STATE    stop both at once, remove the folder and STATE
#   server.sh fail STATE    the primary stopped at once (-m immediate), the
#                           standby promoted in its place
# initdb refuses root: as root the server runs as the postgres user the
# Debian package creates. Where the server packages are missing (they are
# listed in scripts/packages.d/server), STATE says so and the tests that need
# the server skip with that message.
set -eu
action=${1:?start or stop}
state=${2:?state file}
mode=${3:-}

stop() {
  [ -f "$state" ] || return 0
  folder=$(sed -n 's/^host=\([^ ]*\) .*/\1/p' "$state")
  rm -f "$state"
  [ -n "$folder" ] && [ -d "$folder/data" ] || return 0
  for d in "$folder/data" "$folder/standby"; do
    [ -d "$d" ] && as_owner "$bindir/pg_ctl" -D "$d" -m immediate -w stop >/dev/null 2>&1 || true
  done
  rm -rf "$folder"
}

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

# A pair that failed half-way: both stopped, the folder gone.
stop_pair() {
  for d in "$folder/data" "$folder/standby"; do
    [ -d "$d" ] && as_owner "$bindir/pg_ctl" -D "$d" -m immediate -w stop >/dev/null 2>&1 || true
  done
  rm -rf "$folder"
}

bindir=
for d in /usr/lib/postgresql/15/bin /usr/lib/postgresql/*/bin; do
  [ -x "$d/initdb" ] && { bindir=$d; break; }
done

case $action in
stop)
  stop
  ;;
fail)
  folder=$(sed -n 's/^host=\([^ ]*\) .*/\1/p' "$state")
  as_owner "$bindir/pg_ctl" -D "$folder/data" -m immediate -w stop >/dev/null
  as_owner "$bindir/pg_ctl" -D "$folder/standby" -w promote >/dev/null
  ;;
start)
  stop # a server a killed run left behind
  if [ -z "$bindir" ]; then
    echo "unavailable: the PostgreSQL server is not installed (Debian package postgresql-15)" >"$state"
    echo "PostgreSQL server not installed: the tests that need it will skip" >&2
    exit 0
  fi
  if [ "$(id -u)" -eq 0 ] && ! id postgres >/dev/null 2>&1; then
    echo "unavailable: no postgres user to run the server as" >"$state"
    exit 0
  fi
  folder=$(mktemp -d /tmp/tavro-pg.XXXXXX)
  [ "$(id -u)" -eq 0 ] && chown postgres "$folder"
  as_owner "$bindir/initdb" -D "$folder/data" -A trust -E UTF8 --locale=C.UTF-8 >"$folder/initdb.log" 2>&1 || {
    cat "$folder/initdb.log" >&2; rm -rf "$folder"; exit 1; }
  # Two roles log in with a password only: one for the wrong-password
  # case, one that may not log in at all once its password is right.
  hba="$folder/data/pg_hba.conf"
  as_owner sh -c "{ echo 'local all tavro_password,tavro_nologin scram-sha-256'; cat '$hba'; } >'$hba.new' && mv '$hba.new' '$hba'"
  # Durability is of no use to a server that lives as long as the tests.
  options="-c listen_addresses='' -c fsync=off -c full_page_writes=off"
  commits="-c synchronous_commit=off"
  [ "$mode" = sync ] && commits="-c synchronous_commit=on -c synchronous_standby_names='*'"
  as_owner "$bindir/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
    -o "-k $folder $options $commits" start >/dev/null || { cat "$folder/server.log" >&2; rm -rf "$folder"; exit 1; }
  # The standby: a copy of the primary that follows it, on a socket folder
  # of its own (pg_basebackup refuses a folder others may read).
  as_owner mkdir -m 700 "$folder/standby" "$folder/standby-socket"
  as_owner "$bindir/pg_basebackup" -h "$folder" -p 5432 -D "$folder/standby" -R -X stream >"$folder/basebackup.log" 2>&1 || {
    cat "$folder/basebackup.log" >&2; stop_pair; exit 1; }
  as_owner chmod 700 "$folder/standby"
  as_owner "$bindir/pg_ctl" -D "$folder/standby" -l "$folder/standby.log" -w -t 60 \
    -o "-k $folder/standby-socket -p 5433 $options" start >/dev/null || { cat "$folder/standby.log" >&2; stop_pair; exit 1; }
  # The superuser is the account that ran initdb. Three roles for the tests:
  # one that may read and not write, one that logs in with a password, one
  # that has a password and may not log in.
  address="host=$folder port=5432 user=$(as_owner id -un)"
  "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -d "$address dbname=postgres" \
    -c "CREATE ROLE tavro_reader LOGIN" -c "CREATE ROLE tavro_password LOGIN PASSWORD 'juste'" \
    -c "CREATE ROLE tavro_nologin NOLOGIN PASSWORD 'juste'"
  printf '%s\nstandby host=%s port=5433 user=%s\n' "$address" "$folder/standby-socket" "$(as_owner id -un)" >"$state"
  echo "PostgreSQL $("$bindir/postgres" -V | awk '{print $3}') listening in $folder, its standby in $folder/standby-socket"
  ;;
*)
  echo "usage: $0 start|stop|fail STATE [sync]" >&2
  exit 2
  ;;
esac
