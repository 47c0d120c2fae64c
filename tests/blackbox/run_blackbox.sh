#!/usr/bin/env bash
# Starts the real program on a virtual X server with a fresh data directory, finds its
# windows by their titles and clicks their buttons where the forms place them:
#   run 1: Skip, CONTINUE, END -> the program ends and PATHCFG.DAT holds the 93 bytes of
#          the input screen's defaults;
#   run 2: (the saved record changed to a 6 ft transmit dish) the start screen comes up,
#          Skip, CONTINUE, END -> the file holds the changed record, so the saved inputs
#          were loaded into the input screen.
# Exits 77 (skipped) when Xvfb or xdotool is missing.
set -uo pipefail

program=${1:?usage: run_blackbox.sh PATH-TO-HOPSCALE}
for tool in Xvfb xdotool od; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed (Debian packages xvfb and xdotool)"
    exit 77
  fi
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; exit 1; }

# A display of our own; Xvfb writes its number once it accepts connections.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "SKIP: Xvfb did not start: $(cat "$work/xvfb.log")"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")"
export HOPSCALE_HOME="$work/home"
export QT_QPA_PLATFORM=xcb
unset XDG_DATA_HOME

# Waits for a shown window with exactly this title and prints its id.
window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
  [ -n "$id" ] || fail "no window titled \"$1\" appeared"
  echo "$id"
}

# Clicks at the centre of a control given in twips (left, top, width, height) of a window.
click() {
  local id=$1 left=$2 top=$3 width=$4 height=$5
  local x=$(( (left + width / 2) / 15 )) y=$(( (top + height / 2) / 15 ))
  xdotool mousemove --window "$id" "$x" "$y" click 1
  sleep 0.3
}

start_program() {
  "$program" >"$work/app.log" 2>&1 &
  app_pid=$!
}

wait_for_exit() {
  for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || { wait "$app_pid"; app_pid=""; return 0; }
    sleep 0.1
  done
  fail "the program did not end after END"
}

# One pass: Skip on the start screen, CONTINUE on the input screen, END on the results.
skip_continue_end() {
  local id
  id=$(window "Open Query")
  click "$id" 6960 4560 1335 375      # Skip
  id=$(window "Path Input")
  click "$id" 7920 4800 1215 495      # CONTINUE
  id=$(window "Results")
  click "$id" 7200 5880 975 495       # END
  wait_for_exit
}

hex() { od -An -v -tx1 "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }

expected="00 00 00 40 00 00 80 3f 00 00 00 40 00 00 80 3f 00 00 20 41 00 00 00 00 \
00 00 80 3f 00 00 c8 42 00 00 c8 42 71 3d aa 3f 00 00 00 00 00 00 20 41 00 00 20 41 \
00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 07 00 \
45 78 61 6d 70 6c 65 00 00 00 00 00 00 00 00"

# Run 1: a fresh data directory.
start_program
skip_continue_end
saved="$HOPSCALE_HOME/PATHCFG.DAT"
[ -f "$saved" ] || fail "no $saved after END"
size=$(stat -c %s "$saved")
[ "$size" -eq 93 ] || fail "PATHCFG.DAT holds $size bytes, not 93"
[ "$(hex "$saved")" = "$expected" ] || fail "PATHCFG.DAT differs: $(hex "$saved")"
echo "run 1: PATHCFG.DAT holds the 93 bytes of the defaults"

# Run 2: the saved record now says a 6 ft transmit dish (single 6.0 = 00 00 c0 40).
printf '\x00\x00\xc0\x40' | dd of="$saved" bs=1 seek=0 conv=notrunc status=none
start_program
skip_continue_end
want="00 00 c0 40 ${expected:12}"
[ "$(hex "$saved")" = "$want" ] || fail "the saved inputs were not loaded: $(hex "$saved")"
echo "run 2: the start screen came up with the saved inputs loaded"
echo "PASS"
