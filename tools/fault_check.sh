#!/usr/bin/env bash
# Plants each deliberate fault of tools/faults/*.patch, one at a time, in a scratch copy of
# the tree and checks that the tests named by the patch catch it.
#
#   tools/fault_check.sh [PATCH...]      (default: every tools/faults/*.patch)
#
# A patch is a unified diff that `git apply` takes, preceded by comment lines:
#   # test: <ctest -R regex>      the tests that must fail with the fault in place (required)
#   # build: <target> ...         targets to build besides the guessed ones (optional)
#   # fault: <words>              what the fault is (optional, shown in the report)
# The targets built are those given by "# build:", the test executables defined in
# tests/<folder>/CMakeLists.txt for every <folder> the patch touches, and the programs that the
# tests matching the regex run, as CMake's test files in the build directory name them.
#
# For each patch, with the tree as it is: the named tests must exist and pass (else BASELINE).
# With the fault applied: the build must succeed (else BROKEN: the patch plants no runnable
# fault), and then at least one named test must fail: PASS (caught) or MISSED.
# The exit status is 0 only when every patch is PASS.
#
# The working tree is never touched: its tracked and untracked (not ignored) files are copied
# to $FAULT_CHECK_DIR/tree (default /tmp/hopscale-fault-check-$USER), changed files only, so
# the build directory beside it ($FAULT_CHECK_DIR/build) is reused between patches and runs.
# JOBS (default 2) sets the build's parallelism. A developer tool, not part of CI.
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
scratch=${FAULT_CHECK_DIR:-/tmp/hopscale-fault-check-${USER:-$(id -u)}}
tree=$scratch/tree
build=$scratch/build
jobs=${JOBS:-2}
log=$scratch/log
mkdir -p "$tree" "$build" "$log"
export QT_QPA_PLATFORM=offscreen

if [ $# -gt 0 ]; then
  patches=("$@")
else
  shopt -s nullglob
  patches=("$repo"/tools/faults/*.patch)
fi
if [ ${#patches[@]} -eq 0 ]; then
  echo "fault_check: no patches in tools/faults" >&2
  exit 2
fi

# Copies the working tree into the scratch tree: files whose contents changed (keeping the
# others' times, so that make rebuilds only what changed), and removes files that are gone.
sync_tree() {
  local list=$scratch/files.new
  git -C "$repo" ls-files -z -co --exclude-standard >"$list"
  while IFS= read -r -d '' f; do
    [ -f "$repo/$f" ] || continue
    if ! cmp -s "$repo/$f" "$tree/$f"; then
      mkdir -p "$(dirname "$tree/$f")"
      cp -p "$repo/$f" "$tree/$f"
    fi
  done <"$list"
  if [ -f "$scratch/files" ]; then
    # Files copied by an earlier run that the tree no longer has.
    comm -z -23 <(sort -z "$scratch/files") <(sort -z "$list") |
      while IFS= read -r -d '' f; do rm -f "$tree/$f"; done
  fi
  mv "$list" "$scratch/files"
}

header() {  # header FILE KEY: the value of the first "# KEY:" line
  sed -n "s/^# $2: *//p" "$1" | head -n 1
}

# Test executables defined in tests/<folder>/CMakeLists.txt for each folder a patch touches.
folder_targets() {
  local folder
  for folder in $(grep -E '^\+\+\+ b/' "$1" | sed -E 's|^\+\+\+ b/([^/]+)/.*|\1|' | sort -u); do
    [ -f "$tree/tests/$folder/CMakeLists.txt" ] || continue
    sed -n -E 's/^[[:space:]]*(add_executable|qt_add_executable)\(([A-Za-z0-9_]+).*/\2/p' \
      "$tree/tests/$folder/CMakeLists.txt"
  done
}

# Executables of the tests that `regex` matches, read from the test files CMake wrote into the
# build directory (so also for programs not built yet): the program a test runs when it lies in
# the build directory, and any built program of the build directory among its arguments.
matched_targets() {
  python3 - "$build" "$1" <<'PY'
import os, re, sys
build, pattern = os.path.realpath(sys.argv[1]) + os.sep, re.compile(sys.argv[2])
argument = re.compile(r'\[(=*)\[(.*?)\]\1\]|"((?:[^"\\]|\\.)*)"|([^\s()]+)')
for root, _, files in os.walk(build):
    for name in files:
        if not name.endswith(".cmake") or "CMakeFiles" in root:
            continue
        try:
            text = open(os.path.join(root, name), errors="replace").read()
        except OSError:
            continue
        for line in text.splitlines():
            line = line.strip()
            if not line.startswith("add_test("):
                continue
            args = [m.group(2) if m.group(2) is not None else
                    m.group(3) if m.group(3) is not None else m.group(4)
                    for m in argument.finditer(line[len("add_test("):].rstrip(")"))]
            if len(args) < 2 or not pattern.search(args[0]):
                continue
            for i, arg in enumerate(args[1:]):
                path = os.path.realpath(arg) if arg.startswith("/") else ""
                if not path.startswith(build):
                    continue
                if i == 0 or (os.path.isfile(path) and os.access(path, os.X_OK)):
                    print(os.path.basename(path))
PY
}

build_targets() {  # build_targets LOGFILE TARGET...
  local out=$1
  shift
  cmake --build "$build" -j"$jobs" --target "$@" >"$out" 2>&1
}

# Runs the tests; prints "<failed> <total>".
run_tests() {  # run_tests REGEX LOGFILE
  ctest --test-dir "$build" -R "$1" --output-on-failure >"$2" 2>&1
  local total failed
  total=$(sed -n -E 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\2/p' "$2")
  failed=$(sed -n -E 's/.*tests passed, ([0-9]+) tests failed out of ([0-9]+).*/\1/p' "$2")
  echo "${failed:-0} ${total:-0}"
}

sync_tree
if ! cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOPSCALE_WERROR=ON \
  -DHOPSCALE_BUILD_BENCH=OFF -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >"$log/configure.log" 2>&1; then
  echo "fault_check: configuring the scratch tree failed, see $log/configure.log" >&2
  exit 2
fi

passed=0
failed_patches=0
for patch in "${patches[@]}"; do
  name=$(basename "$patch" .patch)
  regex=$(header "$patch" test)
  what=$(header "$patch" fault)
  label="$name${what:+ ($what)}"
  if [ -z "$regex" ]; then
    echo "BROKEN   $label: no '# test:' line"
    failed_patches=$((failed_patches + 1))
    continue
  fi
  mapfile -t targets < <({ header "$patch" build | tr ' ' '\n'; folder_targets "$patch";
                           matched_targets "$regex"; } | sed '/^$/d' | sort -u)
  if [ ${#targets[@]} -eq 0 ]; then
    echo "BROKEN   $label: no test target to build (add a '# build:' line)"
    failed_patches=$((failed_patches + 1))
    continue
  fi

  # The tree as it is: the named tests exist and pass.
  if ! build_targets "$log/$name.baseline-build.log" "${targets[@]}"; then
    echo "BASELINE $label: the tree does not build (${targets[*]}), see $log/$name.baseline-build.log"
    failed_patches=$((failed_patches + 1))
    continue
  fi
  read -r base_failed base_total < <(run_tests "$regex" "$log/$name.baseline-test.log")
  if [ "$base_total" -eq 0 ] || [ "$base_failed" -ne 0 ]; then
    echo "BASELINE $label: '$regex' matches $base_total tests, $base_failed failing without the" \
      "fault, see $log/$name.baseline-test.log"
    failed_patches=$((failed_patches + 1))
    continue
  fi

  # The fault in place.
  # The scratch tree is no repository: git apply works there as a plain patch program.
  if ! (cd "$tree" && git apply "$patch") 2>"$log/$name.apply.log"; then
    echo "BROKEN   $label: does not apply, see $log/$name.apply.log"
    failed_patches=$((failed_patches + 1))
    continue
  fi
  if build_targets "$log/$name.build.log" "${targets[@]}"; then
    read -r fault_failed fault_total < <(run_tests "$regex" "$log/$name.test.log")
    if [ "$fault_failed" -gt 0 ]; then
      echo "PASS     $label: $fault_failed of $fault_total tests fail"
      passed=$((passed + 1))
    else
      echo "MISSED   $label: all $fault_total tests of '$regex' pass with the fault"
      failed_patches=$((failed_patches + 1))
    fi
  else
    echo "BROKEN   $label: does not build with the fault, see $log/$name.build.log"
    failed_patches=$((failed_patches + 1))
  fi
  (cd "$tree" && git apply -R "$patch") || {
    echo "fault_check: could not take $name back out; resynchronising" >&2
    rm -f "$scratch/files"
    sync_tree
  }
done

echo "$passed caught, $failed_patches not ($((passed + failed_patches)) patches)"
[ "$failed_patches" -eq 0 ]
