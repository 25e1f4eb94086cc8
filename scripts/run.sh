#!/usr/bin/env bash
# Builds (installing what is missing) and starts the program on the
# database beside it, from its own folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cd build/bin
exec ./tavro
