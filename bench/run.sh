#!/usr/bin/env bash
# Builds the benchmarks and prints every figure beside its limit:
#   bench/run.sh [--quick]
# A full run also writes its output to docs/benchmarks.md, the figures the
# guides refer to. --quick leaves out the large file (1,000,000 streets,
# 100,000 offices), runs fewer times and only prints. The record windows and start-up are measured again on a
# private PostgreSQL server (tests/postgres/server.sh), stopped at the end.
# Figures only: nothing here passes or fails.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target tavro-bench tavro-bench-memory tavro-bench-menu tavro-bench-startup \
  tavro-startup-probe tavro-startup-baseline bench_import sample_database >/dev/null

export QT_QPA_PLATFORM=offscreen LANG=fr_FR.UTF-8 LC_ALL=fr_FR.UTF-8
quick=()
startupRuns=15
menuRounds=2000
if [ "${1:-}" = "--quick" ]; then
  quick=(--quick)
  startupRuns=7
  menuRounds=400
fi

[ ${#quick[@]} -gt 0 ] || exec > >(tee docs/benchmarks.md)
echo "# tavro benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
echo "Machine: $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"
state=$(mktemp)
trap 'sh tests/postgres/server.sh stop "$state"; rm -f "$state"' EXIT
sh tests/postgres/server.sh start "$state" >/dev/null
server=()
if ! grep -q '^unavailable' "$state"; then
  server=(--server "$(cat "$state")")
  # The sample database of start-up, on the server too.
  echo "CREATE DATABASE tavro_startup" |
    psql -X -q -d "$(cat "$state") dbname=postgres" >/dev/null
  build/bin/tavro-sample -o "$(cat "$state") dbname=tavro_startup" >/dev/null
else
  echo "No PostgreSQL server figures: $(cat "$state")"
fi
build/bin/tavro-bench-startup "$startupRuns" 2>/dev/null
[ ${#server[@]} -eq 0 ] || build/bin/tavro-bench-startup "$startupRuns" "$(cat "$state") dbname=tavro_startup" 2>/dev/null
build/bin/tavro-bench "${quick[@]}" "${server[@]}" 2>/dev/null
build/bin/bench_import 2>/dev/null
build/bin/tavro-bench-menu --rounds "$menuRounds" 2>/dev/null
