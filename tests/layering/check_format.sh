#!/usr/bin/env bash
# Every C++ file of the project is formatted with the project's .clang-format.
set -u
root=${1:-.}
cd "$root" || exit 1
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
[ -z "$files" ] && exit 0
# shellcheck disable=SC2086
out=$(clang-format --dry-run --Werror $files 2>&1)
if [ -n "$out" ]; then
  echo "$out" | grep -E '^[^ ].*(warning|error):' | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
  echo "run: clang-format -i <file>"
  exit 1
fi
echo "formatting: ok"
