#!/usr/bin/env bash
# Murmel against the simulated modem, for a first look: builds the programs
# into the demo's plain build folder (build-demo/), starts modemsim with its
# default message memory as COM1 of a private state directory, enters that
# modem in the machine hive as an installed 3Com modem on COM1 at 115200 baud
# (where Murmel's port search finds it), and starts murmel in the folder
# voice-mail/ of the state directory, where it writes the WAV files. Murmel
# sits in the tray, checks the modem at once and announces and plays the new
# voice mail; its tray menu's "Close" ends it and the simulator.
#
#   tools/run-murmel.sh                           the default memory
#   tools/run-murmel.sh --clock-unknown 255,255,255,255   a modem without its clock
#
# Arguments go to modemsim (see tools/modemsim/README.md). PELLOW_BUILD and
# PELLOW_HOME as for tools/run-pellow.sh; PELLOW_AUDIO_DEVICE names the ALSA
# device to play on ("default" when unset).
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/demo-kit.sh
# Pellow and Echolet beside murmel give its tray menu their items.
programs=(murmel pellow echolet modemsim)
[ -f viewer/CMakeLists.txt ] && programs+=(leafor)
demo_build "${programs[@]}"

demo_state murmel
demo_pellow_log
if [ ! -f "$state/registry/HKLM.reg" ]; then
  # The device-control block holds the speed at offset 4: 115200 = 0x01C200.
  dcb=1c,00,00,00,00,c2,01$(printf ',00%.0s' $(seq 21))
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Modem\\0000]\n%s\n%s\n%s\n' \
    '"Manufacturer"="3Com Corp."' '"AttachedTo"="COM1"' "\"DCB\"=hex:$dcb" > "$state/registry/HKLM.reg"
fi
# The modem's clock counts, as its message stamps do, from the start of the
# half year (day 1 is 1 January or 1 July): set to that reading, it gives the
# default memory's messages their real times. A --clock or --clock-unknown
# of the caller's wins.
clock=()
if [[ " $* " != *" --clock"* ]]; then
  y=$(date +%Y)
  start=$y-01-01
  [ "$(date +%-m)" -lt 7 ] || start=$y-07-01
  days=$((($(date -d "$(date +%F) 12:00" +%s) - $(date -d "$start 12:00" +%s)) / 86400 + 1))
  clock=(--clock "$days,$(date +%-H,%-M,%-S)")
fi
demo_sim 1 "${clock[@]}" "$@"

# Murmel's output folder is its current folder until the options name another.
mkdir -p "$state/voice-mail"
cd "$state/voice-mail"
echo "state directory: $state (voice mail: $state/voice-mail)"
demo_run "$build/bin/murmel"
