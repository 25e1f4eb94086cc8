#!/usr/bin/env bash
# Prints the C++ lines under version control: per folder (data/ per room),
# then tests against the whole, which the project keeps at or under a third.
#   bash scripts/lines.sh
set -euo pipefail
cd "$(dirname "$0")/.."

count() { git ls-files "$@" | xargs -r cat | wc -l; }

for folder in data $(git ls-files 'data/*/*' | cut -d/ -f1-2 | sort -u) kit binding records simulator app tools tests bench; do
  if [ "$folder" = data ]; then
    lines=$(git ls-files 'data/*.cpp' 'data/*.h' | grep -v '^data/.*/' | xargs -r cat | wc -l)
  else
    lines=$(count "$folder/*.cpp" "$folder/*.h")
  fi
  printf '%-16s %6d\n' "$folder/" "$lines"
done
tests=$(count 'tests/*.cpp' 'tests/*.h')
all=$(count '*.cpp' '*.h')
printf 'tests: %d of %d C++ lines, %d.%d %% (at most a third)\n' "$tests" "$all" $((1000 * tests / all / 10)) $((1000 * tests / all % 10))
