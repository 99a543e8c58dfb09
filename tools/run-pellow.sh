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
build=${PELLOW_BUILD:-build-demo}
programs=(pellow modemsim)
[ -f viewer/CMakeLists.txt ] && programs+=(leafor)

tools/install-deps.sh
[ -f "$build/CMakeCache.txt" ] ||
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLOW_SANITIZE=OFF -DPELLOW_TESTS=OFF
# Built every time, so the demo shows the sources as they are; an up-to-date
# build costs a second.
cmake --build "$build" -j"${PELLOW_JOBS:-$(nproc)}" --target "${programs[@]}"
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0

state=${PELLOW_HOME:-$(mktemp -d "${TMPDIR:-/tmp}/pellow-demo-XXXXXX")}
mkdir -p "$state/registry" "$state/ports"
export PELLOW_HOME=$state
# The serial log stays in the state directory instead of the home folder.
if [ ! -f "$state/registry/HKCU.reg" ]; then
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvale\\Pellow\\Version 0.50]\n"LogFileName"="%s/Pellow.log"\n' \
    "$state" > "$state/registry/HKCU.reg"
fi
# Only COM1 holds a modem, so the search need not wait on the other ports.
for n in 2 3 4; do [ -e "$state/ports/COM$n" ] || ln -sfn "$state/no-such-device" "$state/ports/COM$n"; done

"$build/bin/modemsim" --link "$state/ports/COM1" --transcript "$state/COM1.transcript" "$@" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -L "$state/ports/COM1" ] && [ -e "$state/ports/COM1" ] && break
  kill -0 "$sim" 2>/dev/null || { echo "modemsim did not start" >&2; exit 1; }
  sleep 0.1
done

echo "state directory: $state (serial log: $state/Pellow.log)"
# A signal to this script closes the window the normal way.
"$build/bin/pellow" &
app=$!
trap 'kill -TERM "$app" 2>/dev/null || true' INT TERM HUP
code=0
while kill -0 "$app" 2>/dev/null; do
  wait "$app" && code=0 || code=$?
done
exit "$code"
