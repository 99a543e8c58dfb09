#!/usr/bin/env bash
# Installs what is missing, configures, builds everything into build/ with the
# sanitizers on, runs each fuzz target for a short while (tools/run-fuzz.sh;
# PELLOW_FUZZ_SECONDS each, default 15, 0 leaves them out), then every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DPELLOW_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
fuzz_seconds=${PELLOW_FUZZ_SECONDS:-15}
[ "$fuzz_seconds" -eq 0 ] || tools/run-fuzz.sh --time "$fuzz_seconds"
(cd build && ctest --output-on-failure -j"$(nproc)")

# Murmel's tests and the sound device's, whose threads meet the GUI thread,
# once more under ThreadSanitizer, in a build folder of their own; tests that
# are not built there have no label and are left out.
tsan_targets=(modemsim test_platform_AudioOut_test)
for t in tests/murmel/*_test.cpp; do tsan_targets+=("test_murmel_$(basename "$t" .cpp)"); done
cmake -S . -B build-tsan -DPELLOW_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-tsan -j"$(nproc)" --target "${tsan_targets[@]}"
cd build-tsan
ctest --output-on-failure -j"$(nproc)" -L 'murmel|platform'
