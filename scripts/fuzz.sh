#!/bin/sh
# Builds the libFuzzer targets in fuzz/ (clang, ASan, UBSan) and runs each
# for DURATION seconds (default 30), one after the other, from the seed
# corpora in fuzz/corpus/ and what earlier runs found (build-fuzz/corpus/).
# Prints each target's executions and coverage; exits 1 if any failed.
#
#   sh scripts/fuzz.sh [DURATION]
#
# The runs start from seed 1, so that a run repeats the one before it and a
# finding is found again; KLAVRUN_FUZZ_SEED=0 explores afresh each time.
set -e
cd "$(dirname "$0")/.."
duration=${1:-30}
seed=${KLAVRUN_FUZZ_SEED:-1}
cmake -S . -B build-fuzz -DKLAVRUN_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j2 >/dev/null

# Longer inputs only slow these down without reaching more.
options() {
  case $1 in
    screen_model) echo "-max_len=512" ;;
    send_keys) echo "-max_len=128" ;;
    *) echo "-max_len=512" ;;
  esac
}

status=0
printf '%-18s %12s %10s %8s  %s\n' target executions exec/s coverage result
for target in integer_classify send_keys script screen_model asciicast; do
  found=build-fuzz/corpus/$target
  mkdir -p "$found" build-fuzz/crashes
  log=build-fuzz/$target.log
  # shellcheck disable=SC2046
  # -timeout: an input that hangs fails the run at once instead of holding it.
  if build-fuzz/${target}_fuzz $(options $target) -timeout=10 -seed="$seed" -max_total_time="$duration" \
      -print_final_stats=1 -artifact_prefix=build-fuzz/crashes/$target- \
      "$found" fuzz/corpus/$target >"$log" 2>&1; then
    result=clean
  else
    result="FAILED, see $log"
    status=1
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  edges=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  printf '%-18s %12s %10s %8s  %s\n' $target "${executions:-0}" "${speed:-0}" "${edges:-0}" "$result"
done
exit $status
