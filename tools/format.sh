#!/usr/bin/env bash
# Formats every C++ file of the tree with the project's .clang-format (tools/format.sh), or
# only checks that they are formatted (tools/format.sh --check: lists the files that are not
# and exits 1).
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=${CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format)}
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  unformatted=()
  for f in "${sources[@]}"; do
    if ! "$formatter" --dry-run -Werror "$f" >/dev/null 2>&1; then
      unformatted+=("$f")
    fi
  done
  if [ ${#unformatted[@]} -gt 0 ]; then
    echo "Not formatted with .clang-format (run tools/format.sh):"
    printf '  %s\n' "${unformatted[@]}"
    exit 1
  fi
  echo "All ${#sources[@]} C++ files are formatted."
else
  "$formatter" -i "${sources[@]}"
fi
