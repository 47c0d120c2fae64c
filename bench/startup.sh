#!/usr/bin/env bash
# Time from launch to the first window being shown, and peak resident memory (VmHWM), of
# the program's start screen and of an empty Qt window, each the median of RUNS runs on a
# private Xvfb display.   Usage: bench/startup.sh BUILD-DIR [RUNS]
set -euo pipefail
build=${1:?usage: startup.sh BUILD-DIR [RUNS]}
runs=${2:-7}
program=$build/app/hopscale
empty=$build/bench/hopscale_empty_window
work=$(mktemp -d)
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb

# Prints "milliseconds kilobytes" for one launch of a command whose window has this title.
measure() {
  local title=$1; shift
  local start end pid kb
  start=$(date +%s%N)
  "$@" >"$work/out.log" 2>&1 &
  pid=$!
  local tries=0
  until xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1; do
    sleep 0.005; tries=$((tries + 1))
    [ "$tries" -lt 2000 ] || { echo "no window \"$title\": $(cat "$work/out.log")" >&2; kill "$pid" 2>/dev/null; exit 1; }
  done
  end=$(date +%s%N)
  sleep 0.5
  kb=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$(( (end - start) / 1000000 )) $kb"
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

report() {
  local name=$1 title=$2; shift 2
  : >"$work/samples"
  for _ in $(seq "$runs"); do measure "$title" "$@" >>"$work/samples"; done
  printf '%-24s start-up %4s ms   peak memory %6s kB\n' "$name" \
    "$(cut -d' ' -f1 "$work/samples" | median)" "$(cut -d' ' -f2 "$work/samples" | median)"
}

export HOPSCALE_HOME="$work/home"
report "empty Qt window" "Empty Window" "$empty"
report "hopscale start screen" "Open Query" "$program"
