#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer, with AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz/ and runs each one over its
# seeds in fuzz/corpus/<Name>/ (new inputs go to a scratch folder, the
# tree's seeds stay as they are), then prints one line per target with the
# executions it reached. A crash, leak, time-out or memory blow-up fails the
# run; the input that caused it is kept in build-fuzz/findings/.
#
#   tools/run-fuzz.sh                 every target for 20 s
#   tools/run-fuzz.sh --time 600      every target for 600 s
#   tools/run-fuzz.sh --runs 1000000  every target until 10^6 executions
#   tools/run-fuzz.sh ... Name ...    only the targets named
# The fuzzer's seed is PELLOW_FUZZ_SEED (default 1, so that a run can be
# repeated); the build uses PELLOW_JOBS jobs (default: every core).
set -euo pipefail
cd "$(dirname "$0")/.."
limit=(-max_total_time=20)
only=()
while [ $# -gt 0 ]; do
  case "$1" in
    --time) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    *) only+=("$1"); shift ;;
  esac
done
tools/install-deps.sh --fuzz
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPELLOW_FUZZ=ON -DPELLOW_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  "${launcher[@]}" > build-fuzz.log 2>&1 || { cat build-fuzz.log; exit 1; }
cmake --build build-fuzz -j"${PELLOW_JOBS:-$(nproc)}" --target fuzz >> build-fuzz.log 2>&1 || { tail -50 build-fuzz.log; exit 1; }
rm -f build-fuzz.log
mkdir -p build-fuzz/findings build-fuzz/scratch
targets=("${only[@]}")
[ ${#targets[@]} -gt 0 ] || targets=($(cd fuzz/corpus && ls))
export QT_QPA_PLATFORM=offscreen
failed=0
printf '%-16s %12s %8s  %s\n' target executions "exec/s" result
for t in "${targets[@]}"; do
  scratch=build-fuzz/scratch/$t
  rm -rf "$scratch"
  mkdir -p "$scratch"
  log=build-fuzz/findings/$t.log
  set +e
  build-fuzz/bin/fuzz_"$t" "${limit[@]}" -seed="${PELLOW_FUZZ_SEED:-1}" -timeout=20 -rss_limit_mb=3072 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/findings/"$t"- "$scratch" fuzz/corpus/"$t" > "$log" 2>&1
  rc=$?
  set -e
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -o '[0-9]*$' || echo 0)
  secs=$(grep -oE 'stat::average_exec_per_sec: *[0-9]+' "$log" | grep -o '[0-9]*$' || echo 0)
  if [ $rc -eq 0 ]; then
    printf '%-16s %12s %8s  %s\n' "$t" "$runs" "$secs" ok
  else
    failed=1
    printf '%-16s %12s %8s  %s\n' "$t" "$runs" "$secs" "FAILED (exit $rc, see $log)"
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -5
  fi
done
exit $failed
