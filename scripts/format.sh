#!/usr/bin/env bash
# Checks that every C++ file of the project is laid out as .clang-format says (clang-format 14,
# as Debian 12 has it); with --fix it lays them out instead. Cheap: CI runs it first.
# Usage: scripts/format.sh [--fix]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/apt-install-missing.sh" --no-install-recommends format clang-format-14
cd "$here"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format-14 -i "${files[@]}"
  echo "format: laid out ${#files[@]} files"
  exit 0
fi
if ! clang-format-14 --dry-run --Werror "${files[@]}" 2>/tmp/korvane-format.$$; then
  grep -E '^[^ ].*: error:' /tmp/korvane-format.$$ | cut -d: -f1 | sort -u | sed 's/^/format: not laid out as .clang-format says: /' >&2
  rm -f /tmp/korvane-format.$$
  echo "format: run scripts/format.sh --fix" >&2
  exit 1
fi
rm -f /tmp/korvane-format.$$
echo "format: ${#files[@]} files laid out as .clang-format says"
