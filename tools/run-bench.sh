#!/usr/bin/env bash
# Builds the benchmarks of bench/ in Release (build-bench/, no sanitizers)
# and runs them, each figure a ratio measured side by side in the same run,
# then prints them as one table (Markdown). Exits non-zero when a goal is
# missed or a benchmark fails.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" > /dev/null
benches=(Download3com DownloadElsa Reload3com MurmelCheck KonvertiereSox TiffFax2tiff ViewerRender)
cmake --build build-bench -j"${PELLOW_JOBS:-$(nproc)}" --target modemsim "${benches[@]/#/bench_}" > /dev/null
export QT_QPA_PLATFORM=offscreen PELLOW_BIN_DIR="$PWD/build-bench/bin"
figures=$(mktemp)
trap 'rm -f "$figures"' EXIT
failed=0
for b in "${benches[@]}"; do
  echo "running $b ..." >&2
  out=$(build-bench/bin/bench_"$b" 2>&1) || failed=1
  grep '^FIGURE' <<< "$out" >> "$figures" || true
  # konvertiere's benchmark prints its own lines; its ratio is taken from them.
  if [ "$b" = KonvertiereSox ]; then
    ratio=$(grep -o 'against sox: [0-9.]*' <<< "$out" | grep -o '[0-9.]*$' || echo 0)
    ours=$(grep -o '^konvertiere:.*' <<< "$out" | grep -o '[0-9]* s of audio per CPU second' || true)
    sox=$(grep -o '^sox:.*' <<< "$out" | grep -o '[0-9]* s of audio per CPU second' || true)
    met=$(awk -v r="$ratio" 'BEGIN { print (r >= 1) ? "met" : "MISSED" }')
    printf 'FIGURE\tGSM to WAV, one hour of voice mail: konvertiere / sox, audio per CPU second\t%s\t%s (sox)\t%s\t>= 1\t%s\n' \
      "$ours" "$sox" "$ratio" "$met" >> "$figures"
  fi
  grep -q '^FIGURE' <<< "$out" || [ "$b" = KonvertiereSox ] || { echo "$out" >&2; failed=1; }
done
echo
echo "| measured | ours | reference | ratio | goal | |"
echo "|---|---|---|---|---|---|"
awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7 }' "$figures"
grep -q 'MISSED' "$figures" && failed=1
exit $failed
