#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers (catalogue index, attenuation table,
# saved inputs, catalogue import, equipment library, LogK/dN75 maps) with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for SECONDS (default 45, so that the six targets, two
# at a time, take about two and a half minutes), starting from the seed corpora in fuzz/corpus/.
# Exits non-zero on any crash, leak or sanitizer report; findings go to build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-45}
cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++)}
out=build-fuzz
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined
       -fno-sanitize-recover=all -Iengine -Ifiles -Icatalogue -Istorage -Ipropagation -Idesign -Icli)
sources=(engine/conversions.cpp engine/errors.cpp engine/fields.cpp engine/path_record.cpp
         files/data_file.cpp catalogue/catalogue.cpp catalogue/catalogue_tools.cpp
         catalogue/equipment.cpp storage/saved_inputs.cpp propagation/climate_maps.cpp
         cli/network_inputs.cpp cli/cli_common.cpp design/link_design.cpp design/design_file.cpp
         propagation/link_conditions.cpp propagation/rain.cpp propagation/gas_attenuation.cpp)
targets=(catalogue_index attenuation_table saved_inputs catalogue_import equipment climate_map
         design_file network_inputs)

mkdir -p "$out/obj" "$out/artifacts"
echo "== Building the fuzz targets with $cxx"
for src in "${sources[@]}"; do
  echo "$src"
done | xargs -P 2 -I{} sh -c '
  obj="$0/obj/$(echo {} | tr / _).o"
  "$1" $2 -fsanitize=fuzzer-no-link -c {} -o "$obj"' "$out" "$cxx" "${flags[*]}"
for t in "${targets[@]}"; do
  "$cxx" "${flags[@]}" -fsanitize=fuzzer "fuzz/fuzz_$t.cpp" "$out"/obj/*.o -o "$out/fuzz_$t"
done

run() {
  local t=$1
  rm -rf "$out/corpus_$t"
  mkdir -p "$out/corpus_$t"
  cp fuzz/corpus/"$t"/* "$out/corpus_$t/"
  if "$out/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 \
       -artifact_prefix="$out/artifacts/${t}-" "$out/corpus_$t" >"$out/$t.log" 2>&1; then
    echo "fuzz_$t: clean ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$out/$t.log" | grep -o '[0-9]*$') runs)"
  else
    echo "fuzz_$t: FAILED, see $out/$t.log"
    tail -40 "$out/$t.log"
    return 1
  fi
}

echo "== Fuzzing each reader for ${seconds} s"
status=0
# Two at a time.
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run "${targets[$i]}" & first=$!
  if ((i + 1 < ${#targets[@]})); then
    run "${targets[$((i + 1))]}" & second=$!
    wait $second || status=1
  fi
  wait $first || status=1
done
exit $status
