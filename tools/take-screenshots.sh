#!/usr/bin/env bash
# Takes the README's pictures from a real first run: a private X server
# (Xvfb) with a light window manager (openbox), tools/run-pellow.sh with a
# fresh state directory in English, then, driven by xdotool as a user would:
#   docs/pellow-main.png     the main window as the first start shows it
#   docs/pellow-playing.png  the playing dialog of a voice mail
#   docs/pellow-fax.png      the first page of a fax saved with File > Save as
#
#   tools/take-screenshots.sh [display number, default 77]
#
# PELLOW_SHOTS names another folder for the pictures.
# Needs xvfb, openbox, xdotool, imagemagick and x11-utils (installed when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
display=:${1:-77}
need=(xvfb openbox xdotool imagemagick x11-utils)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pellow-shots-XXXXXX")
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

# The save dialog is answered by the UI seam, so the fax lands where the
# script reads it; every other window is the real one.
fax=$work/fax.tif
echo "$fax" >"$work/answers"
export LANG=en_US.UTF-8 LC_ALL= PELLOW_HOME=$work/state PELLOW_UI_ANSWERS=$work/answers
tools/run-pellow.sh >"$work/run.log" 2>&1 &
pids+=($!)

window() {  # the id of the first window titled $1, waiting for it (and for a first build)
  for _ in $(seq 6000); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window \"$1\" (see $work/run.log)" >&2
  exit 1
}
shot() {  # the window $1 with its frame into $2
  sleep 0.5
  import -window "$1" -frame "$2"
}
row() {  # clicks row $2 of the message list in window $1 (below the bar and the header)
  xdotool mousemove --window "$1" 120 $((74 + 18 * $2)) click 1
}

main=$(window "Pellow \\(Version 0.50\\)")
sleep 2  # the first Reload
out=${PELLOW_SHOTS:-docs}
mkdir -p "$out"
shot "$main" "$out/pellow-main.png"

# The new two-page fax in fine resolution, saved as.
xdotool windowactivate --sync "$main"
row "$main" 3
xdotool key --window "$main" alt+f
sleep 0.3
xdotool key a
for _ in $(seq 100); do [ -s "$fax" ] && break; sleep 0.1; done
sleep 0.5
convert "$fax[0]" -resize 600x "$out/pellow-fax.png"

# The old voice mail played.
row "$main" 0
xdotool key --window "$main" Return
playing=$(window "Playing Message")
sleep 1.5
shot "$playing" "$out/pellow-playing.png"
xdotool key --window "$playing" Escape
sleep 1
xdotool windowactivate --sync "$main"
xdotool key --window "$main" alt+F4
echo "pictures in $out/ (logs in $work)"
