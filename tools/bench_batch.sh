#!/usr/bin/env bash
# Times `hopscale batch` on a generated CSV of many paths and reports rows per second and the
# peak resident memory of the process.
#
#   tools/bench_batch.sh [HOPSCALE_BINARY] [ROWS] [OTHER_BINARY...]
#
# Each binary whose batch takes --jobs is timed once per count in $BENCH_JOBS (default
# "1 2": one core, then two); a binary without the option is timed once as it is.
# Further binaries (an earlier build, say) are timed on the same input right after the
# first, so that a before-and-after comparison runs on the same machine in the same run.
#
# HOPSCALE_BINARY defaults to build/app/hopscale (a Release build, as tools/run.sh makes);
# ROWS defaults to 1000000. With COLUMNS=outage the rows also carry a threshold and the outage
# columns (P.530 multipath, rain, dual polarisation, a signature, space diversity), so that the
# outage models and their extra output columns are timed. The input is generated once per row count under $TMPDIR and
# reused; the output goes to a temporary file that is removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

binary=${1:-build/app/hopscale}
rows=${2:-1000000}
binaries=("$binary" "${@:3}")
for b in "${binaries[@]}"; do
  if [ ! -x "$b" ]; then
    echo "bench_batch: no hopscale binary at $b (build it with tools/run.sh or pass its path)" >&2
    exit 2
  fi
done

work=${TMPDIR:-/tmp}/hopscale-bench-batch
mkdir -p "$work"
columns=${COLUMNS:-plain}
suffix=""
[ "$columns" = outage ] && suffix="-outage"
input="$work/paths-$rows$suffix.csv"
output=$(mktemp "$work/results.XXXXXX.csv")
trap 'rm -f "$output"' EXIT

if [ ! -s "$input" ]; then
  echo "Generating $rows rows into $input"
  python3 - "$input" "$rows" "$columns" <<'PY'
import random, sys
path, rows, columns = sys.argv[1], int(sys.argv[2]), sys.argv[3]
outage = columns == "outage"
rng = random.Random(20261209)
with open(path, "w", newline="") as f:
    f.write("name,tx-dish,rx-dish,amp-gain,preamp-gain,tx-loss,rx-loss,tx-length,rx-length,"
            "from-lat,from-lon,to-lat,to-lon,length,km,freq,fade-margin,k,power,watts")
    if outage:
        f.write(",threshold,rain-rate,multipath,geoclimatic-k,dn75,ground-elevations,"
                "antenna-heights,mean-terrain,latitude,xpd-antenna,c0-i,signature,diversity,"
                "diversity-separation")
    f.write("\n")
    for i in range(rows):
        coords = i % 4 == 0  # a quarter of the paths give their end points
        if coords:
            lat, lon = rng.randint(300000, 480000), rng.randint(700000, 1200000)
            ends = f"{lat},{lon},{lat + rng.randint(100, 3000)},{lon - rng.randint(100, 3000)}"
        else:
            ends = "0,0,0,0"
        f.write(f"hop {i},{rng.choice((2, 4, 6, 8, 10))},{rng.choice((2, 4, 6, 8))},"
                f"{rng.randint(0, 10)},{rng.randint(0, 5)},{rng.uniform(0.5, 8):.2f},"
                f"{rng.uniform(0.5, 8):.2f},{rng.randint(20, 300)},{rng.randint(20, 300)},"
                f"{ends},{rng.uniform(1, 60):.1f},{i % 3 == 0 and 1 or 0},"
                f"{rng.uniform(1, 40):.3f},{rng.randint(0, 30)},1.33,"
                f"{rng.uniform(0.1, 20):.2f},{i % 2}")
        if outage:
            f.write(f",{rng.choice((-88, -80, -75, -71))},{rng.choice((22, 42, 60))},p530,1e-5,40,"
                    f"\"200,150\",\"60,60\",120,45,30,{rng.choice((15, 20, 25))},\"30,20,6.3\","
                    f"space,10")
        f.write("\n")
PY
fi

status=0
for binary in "${binaries[@]}"; do
job_options=("")
if "$binary" batch --help 2>/dev/null | grep -q -- --jobs; then
  job_options=()
  for j in ${BENCH_JOBS:-1 2}; do job_options+=("--jobs $j"); done
fi
for jobs in "${job_options[@]}"; do
echo "Timing: $binary batch $jobs $input"
if python3 - "$binary" "$input" "$output" "$rows" $jobs <<'PY'
import resource, subprocess, sys, time
binary, input_path, output_path, rows = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
options = sys.argv[5:]
with open(output_path, "wb") as out:
    start = time.perf_counter()
    status = subprocess.run([binary, "batch", *options, input_path], stdout=out,
                            stderr=subprocess.PIPE).returncode
    wall = time.perf_counter() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
with open(output_path, "rb") as f:
    lines = sum(1 for _ in f) - 1
print(f"exit status      {status}")
print(f"rows written     {lines} of {rows}")
print(f"wall time        {wall:.3f} s")
print(f"cpu time         {usage.ru_utime + usage.ru_stime:.3f} s "
      f"(user {usage.ru_utime:.3f}, system {usage.ru_stime:.3f})")
cpu = usage.ru_utime + usage.ru_stime
print(f"rows per second  {rows / wall:,.0f} (wall clock)")
print(f"rows per cpu-s   {rows / cpu:,.0f} (per second of processor time; the fair figure "
      f"on a busy machine)")
print(f"peak memory      {usage.ru_maxrss / 1024:.1f} MB (maximum resident set)")
sys.exit(0 if status == 0 and lines == rows else 1)
PY
then :; else status=1; fi
done
done
exit $status
