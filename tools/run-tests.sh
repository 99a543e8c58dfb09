#!/usr/bin/env bash
# Installs what is missing, configures, builds everything into build/ with the
# sanitizers on, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -DPELLOW_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
cd build
ctest --output-on-failure -j"$(nproc)"
