#!/usr/bin/env bash
# Pellow against the simulated modem, for a first look: builds the programs
# into a plain build folder of its own (build-demo/, without the sanitizers
# that the test build in build/ carries), starts modemsim with its default
# message memory on a pseudo-terminal linked as COM1 of a private state
# directory, and starts pellow there. Closing the window ends the simulator too.
#
#   tools/run-pellow.sh                     the 3Com/U.S. Robotics modem
#   tools/run-pellow.sh --model elsa        the ELSA MicroLink Office
#
# Arguments go to modemsim (see tools/modemsim/README.md). PELLOW_BUILD names
# another build folder (a sanitizer build runs with the leak suppressions of
# tools/lsan.supp); PELLOW_HOME keeps the state directory between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/demo-kit.sh
programs=(pellow modemsim)
[ -f viewer/CMakeLists.txt ] && programs+=(leafor)
demo_build "${programs[@]}"

demo_state pellow
demo_pellow_log
# Only COM1 holds a modem, so the search need not wait on the other ports.
demo_sim 1 "$@"

echo "state directory: $state (serial log: $state/Pellow.log)"
demo_run "$build/bin/pellow"
