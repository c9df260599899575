#!/usr/bin/env bash
# A PostgreSQL cluster of the tests' own, in a folder, on a Unix socket only (no TCP port):
#   pg-cluster.sh start DIR PORT     initdb (first time) and start; the socket is DIR/.s.PGSQL.PORT
#   pg-cluster.sh stop DIR [MODE]    stop (MODE fast, or immediate: as a crashed server goes)
# Run as root, the server runs as the user postgres, which Debian's postgresql package creates.
set -euo pipefail
bin=$(pg_config --bindir 2>/dev/null || true)
for d in "$bin" /usr/lib/postgresql/*/bin; do
  if [ -n "$d" ] && [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ]; then bin=$d; break; fi
done
if [ ! -x "$bin/initdb" ]; then
  echo "pg-cluster: initdb not found (install Debian's postgresql package)" >&2
  exit 3
fi
as=()
if [ "$(id -u)" = 0 ]; then as=(runuser -u postgres --); fi
cmd=$1 dir=$2
case "$cmd" in
  start)
    port=$3
    if [ ! -f "$dir/data/PG_VERSION" ]; then
      mkdir -p "$dir/data"
      [ "$(id -u)" = 0 ] && chown -R postgres "$dir"
      "${as[@]}" "$bin/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
        { cat "$dir/initdb.log" >&2; exit 1; }
    fi
    "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
      -o "-c listen_addresses='' -k $dir -p $port -c fsync=off" start >/dev/null ||
      { cat "$dir/server.log" >&2; exit 1; }
    ;;
  stop)
    "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m "${3:-fast}" -w -t 30 stop >/dev/null 2>&1 || true
    ;;
  *) echo "usage: pg-cluster.sh start DIR PORT | stop DIR [MODE]" >&2; exit 2 ;;
esac
