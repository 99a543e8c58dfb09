# The parts the demo commands (tools/run-pellow.sh, tools/run-murmel.sh)
# share: the plain build of the programs, a private state directory, the
# simulator on one of its ports, and the program's run. Sourced by them with
# the repository as the current directory.

# Installs what is missing and builds the targets "$@" into $build
# (PELLOW_BUILD, default build-demo/: without the sanitizers that the test
# build in build/ carries). Built every time, so the demo shows the sources
# as they are; an up-to-date build costs a second.
demo_build() {
  build=${PELLOW_BUILD:-build-demo}
  [[ $build = /* ]] || build=$PWD/$build
  tools/install-deps.sh
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLOW_SANITIZE=OFF -DPELLOW_TESTS=OFF
  cmake --build "$build" -j"${PELLOW_JOBS:-$(nproc)}" --target "$@"
  # A sanitizer build named by PELLOW_BUILD runs with the leak suppressions.
  export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp:print_suppressions=0
}

# $state: PELLOW_HOME when set (kept between runs), else a fresh directory
# named after $1; it becomes PELLOW_HOME.
demo_state() {
  state=${PELLOW_HOME:-$(mktemp -d "${TMPDIR:-/tmp}/$1-demo-XXXXXX")}
  mkdir -p "$state/registry" "$state/ports"
  state=$(cd "$state" && pwd)
  export PELLOW_HOME=$state
}

# Pellow's serial log stays in the state directory instead of the home
# folder (a first start only: a kept state directory keeps its settings).
demo_pellow_log() {
  [ -f "$state/registry/HKCU.reg" ] && return 0
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Norvale\\Pellow\\Version 0.50]\n"LogFileName"="%s/Pellow.log"\n' \
    "$state" > "$state/registry/HKCU.reg"
}

# Starts modemsim as port COM$1 of the state directory with the further
# arguments, its transcript beside it; the other three of COM1 to COM4 point
# nowhere, so a modem search need not wait on them. The simulator ends with
# the script.
demo_sim() {
  local port=$1 n
  shift
  for n in 1 2 3 4; do
    [ "$n" = "$port" ] || [ -e "$state/ports/COM$n" ] || ln -sfn "$state/no-such-device" "$state/ports/COM$n"
  done
  "$build/bin/modemsim" --link "$state/ports/COM$port" --transcript "$state/COM$port.transcript" "$@" &
  sim=$!
  trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do
    [ -L "$state/ports/COM$port" ] && [ -e "$state/ports/COM$port" ] && return 0
    kill -0 "$sim" 2>/dev/null || { echo "modemsim did not start" >&2; exit 1; }
    sleep 0.1
  done
  echo "modemsim did not make its port" >&2
  exit 1
}

# Runs the program "$@" to its end and exits with its code; a signal to the
# script ends the program the normal way.
demo_run() {
  "$@" &
  app=$!
  trap 'kill -TERM "$app" 2>/dev/null || true' INT TERM HUP
  local code=0
  while kill -0 "$app" 2>/dev/null; do
    wait "$app" && code=0 || code=$?
  done
  exit "$code"
}
