#!/usr/bin/env bash
# The layering check itself: on a made-up tree it must accept includes downwards and refuse
# one upwards and one between folders of the same rank, naming file and line.
set -uo pipefail
check=${1:?usage: check_layers_test.sh PATH-TO-check_layers.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/{engine,files,catalogue,storage,cli}
echo '#pragma once' >"$work/engine/errors.h"
printf '#pragma once\n#include "errors.h"\n' >"$work/files/data_file.h"
printf '#include "data_file.h"\n#include <vector>\n#include "unknown.h"\n' >"$work/catalogue/catalogue.cpp"
printf '#include "catalogue.h"\n' >"$work/cli/main.cpp"
echo '#pragma once' >"$work/catalogue/catalogue.h"

"$check" "$work" >"$work/out" 2>&1 || { echo "FAIL: a sound tree was refused:"; cat "$work/out"; exit 1; }

# Upwards: the engine includes a header of files/.
printf '#pragma once\n\n#include "data_file.h"\n' >"$work/engine/budget.h"
# Sideways: storage includes a header of catalogue/.
printf '#include "catalogue.h"\n' >"$work/storage/saved.cpp"
if "$check" "$work" >"$work/out" 2>&1; then
  echo "FAIL: includes against the layering were accepted"; cat "$work/out"; exit 1
fi
grep -q '^engine/budget.h:3: includes "data_file.h" of files/' "$work/out" ||
  { echo "FAIL: the upward include is not named:"; cat "$work/out"; exit 1; }
grep -q '^storage/saved.cpp:1: includes "catalogue.h" of catalogue/' "$work/out" ||
  { echo "FAIL: the sideways include is not named:"; cat "$work/out"; exit 1; }
grep -q '2 include(s) against the layering' "$work/out" ||
  { echo "FAIL: wrong count:"; cat "$work/out"; exit 1; }

# The design layer stands between the models and the front ends: it may include a model's
# header, a model may not include its header, and neither may the design include a command's.
fresh=$(mktemp -d)
trap 'rm -rf "$work" "$fresh"' EXIT
mkdir -p "$fresh"/{terrain,design,cli}
echo '#pragma once' >"$fresh/terrain/clearance.h"
printf '#pragma once\n#include "clearance.h"\n' >"$fresh/design/link_study.h"
printf '#include "link_study.h"\n' >"$fresh/cli/design_command.cpp"
"$check" "$fresh" >"$fresh/out" 2>&1 || { echo "FAIL: a sound design layer was refused:"; cat "$fresh/out"; exit 1; }
printf '#include "link_study.h"\n' >"$fresh/terrain/profile.cpp"
echo '#pragma once' >"$fresh/cli/report.h"
printf '#include "report.h"\n' >"$fresh/design/rows.cpp"
if "$check" "$fresh" >"$fresh/out" 2>&1; then
  echo "FAIL: includes across the design layer were accepted"; cat "$fresh/out"; exit 1
fi
grep -q '^terrain/profile.cpp:1: includes "link_study.h" of design/' "$fresh/out" ||
  { echo "FAIL: the model including the design is not named:"; cat "$fresh/out"; exit 1; }
grep -q '^design/rows.cpp:1: includes "report.h" of cli/' "$fresh/out" ||
  { echo "FAIL: the design including a command is not named:"; cat "$fresh/out"; exit 1; }
echo PASS
