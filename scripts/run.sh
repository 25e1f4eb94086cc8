#!/usr/bin/env bash
# Builds (installing what is missing) only what it runs: the program, the
# sample tool and the sample database beside the program; then starts the
# program from its own folder. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh tavro tavro-sample sample_database
cd build/bin
exec ./tavro "$@"
