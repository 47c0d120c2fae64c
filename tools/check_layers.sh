#!/usr/bin/env bash
# Fails when a source folder includes a header of a folder above it (or beside it) in the
# layering of the program:
#
#   engine <- files <- catalogue, storage, propagation, terrain <- design <- screens, cli <- app
#
# A folder may include its own headers and those of folders of a lower rank. Folders of the
# same rank are independent of each other. Includes by bare name ("x.h") are looked up in the
# layer folders; system and library headers (<...>) and names no layer folder holds are not
# the layering's business. Prints every offending include as FILE:LINE: ... and exits 1.
#
#   tools/check_layers.sh [SOURCE-DIR]
set -euo pipefail
root=${1:-$(dirname "$0")/..}
cd "$root"

declare -A rank=(
  [engine]=0
  [files]=1
  [catalogue]=2 [storage]=2 [propagation]=2 [terrain]=2
  [design]=3
  [screens]=4 [cli]=4
  [app]=5
)

# Which folder holds each header name.
declare -A owner=()
for folder in "${!rank[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r header; do
    owner[$(basename "$header")]=$folder
  done < <(find "$folder" -type f \( -name '*.h' -o -name '*.hpp' \))
done

failures=0
checked=0
for folder in "${!rank[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r file; do
    line=0
    while IFS= read -r text; do
      line=$((line + 1))
      [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
      name=$(basename "${BASH_REMATCH[1]}")
      checked=$((checked + 1))
      # A folder's own header of that name wins over another folder's.
      [ -e "$(dirname "$file")/$name" ] && continue
      target=${owner[$name]:-}
      [ -n "$target" ] || continue
      [ "$target" = "$folder" ] && continue
      if [ "${rank[$target]}" -ge "${rank[$folder]}" ]; then
        echo "$file:$line: includes \"$name\" of $target/, which is not below $folder/"
        failures=$((failures + 1))
      fi
    done < "$file"
  done < <(find "$folder" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) | sort)
done

if [ "$failures" -gt 0 ]; then
  echo "check_layers: $failures include(s) against the layering"
  exit 1
fi
echo "check_layers: $checked project includes, none against the layering"
