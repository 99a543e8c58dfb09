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
cd build
ctest --output-on-failure -j"$(nproc)"
