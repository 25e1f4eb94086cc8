#!/usr/bin/env bash
# Installs what a fresh Debian 12 lacks, then configures and builds into build/
# (the targets given as arguments, else all).
# Safe to run again: it installs nothing that is there and rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ make cmake ccache pkg-config
  qt6-base-dev libqt6sql6-sqlite libsqlite3-dev sqlite3 libsqlitecpp-dev
  fonts-liberation fonts-dejavu-core locales
)
# Extra packages an area needs are listed one per line in scripts/packages.d/*.
for f in scripts/packages.d/*; do
  [ -f "$f" ] || continue
  while read -r p; do
    [ -n "$p" ] && [ "${p#\#}" = "$p" ] && packages+=("$p")
  done < "$f"
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing Debian packages: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests run in French and English; both locales must exist.
need_locales=()
for l in fr_FR.UTF-8 en_US.UTF-8; do
  locale -a 2>/dev/null | grep -qi "^${l%.UTF-8}.utf8$" || need_locales+=("$l")
done
if [ ${#need_locales[@]} -gt 0 ]; then
  echo "Generating locales: ${need_locales[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  for l in "${need_locales[@]}"; do
    "${sudo_cmd[@]}" sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
  done
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi

if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# The targets named as arguments, else everything (tests and benchmarks too).
cmake --build build -j"$(nproc)" ${1:+--target "$@"}
