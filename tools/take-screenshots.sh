#!/usr/bin/env bash
# Takes the README's pictures from a real first run: a private X server
# (Xvfb) with a light window manager (openbox), the demo commands with a
# fresh state directory in English, then, driven by xdotool as a user would:
#   pellow (tools/run-pellow.sh):
#   docs/pellow-main.png       the main window as the first start shows it
#   docs/pellow-playing.png    the playing dialog of a voice mail
#   docs/pellow-fax.png        the first page of a fax saved with File > Save as
#   murmel (tools/run-murmel.sh, with tint2 as the panel that holds the tray):
#   docs/murmel-dialog.png     the tray dialog, opened by a double click on its icon
#   docs/murmel-tray-menu.png  the tray menu beside the icon, with the panel below
#
#   tools/take-screenshots.sh [display number, default 77] [pellow] [murmel]
#
# With no program named, both. PELLOW_SHOTS names another folder for the pictures,
# PELLOW_SHOTS_LANG another language (e.g. de_DE.UTF-8) to look at.
# Needs xvfb, openbox, xdotool, imagemagick, x11-utils and, for murmel, tint2 and
# x11-xserver-utils (installed when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
display=:77
if [[ ${1:-} =~ ^[0-9]+$ ]]; then display=:$1; shift; fi
take=("$@")
[ ${#take[@]} -gt 0 ] || take=(pellow murmel)
taking() { [[ " ${take[*]} " == *" $1 "* ]]; }
need=(xvfb openbox xdotool imagemagick x11-utils)
taking murmel && need+=(tint2 x11-xserver-utils)
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

window() {  # the id of the first window titled $1, waiting for it (and for a first build)
  for _ in $(seq 6000); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window \"$1\" (see the logs in $work)" >&2
  exit 1
}
shot() {  # the window $1 with its frame into $2
  sleep 0.5
  import -window "$1" -frame "$2"
}
row() {  # clicks row $2 of the message list in window $1 (below the bar and the header)
  xdotool mousemove --window "$1" 120 $((74 + 18 * $2)) click 1
}
out=${PELLOW_SHOTS:-docs}
mkdir -p "$out"
export LANG=${PELLOW_SHOTS_LANG:-en_US.UTF-8} LC_ALL=

if taking pellow; then
  # The save dialog is answered by the UI seam, so the fax lands where the
  # script reads it; every other window is the real one.
  fax=$work/fax.tif
  echo "$fax" >"$work/answers"
  PELLOW_HOME=$work/state PELLOW_UI_ANSWERS=$work/answers tools/run-pellow.sh >"$work/run.log" 2>&1 &
  pellow=$!
  pids+=($pellow)

  main=$(window "Pellow \\(Version 0.50\\)")
  sleep 2  # the first Reload
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
  # The window manager closes the window; a key sent to the window itself
  # could leave Alt held when the window goes before its release.
  xdotool windowactivate --sync "$main" key alt+F4
  for _ in $(seq 100); do kill -0 "$pellow" 2>/dev/null || break; sleep 0.1; done
fi

if taking murmel; then
  # A panel along the bottom with the task bar, the tray and a clock.
  cat >"$work/tint2rc" <<'RC'
rounded = 0
border_width = 0
background_color = #2e3440 100
border_color = #000000 0
rounded = 2
border_width = 1
background_color = #4c566a 100
border_color = #81a1c1 60
panel_items = TSC
panel_position = bottom center horizontal
panel_size = 100% 30
panel_background_id = 1
taskbar_mode = single_desktop
task_active_background_id = 2
task_font_color = #eceff4 100
task_active_font_color = #ffffff 100
task_maximum_size = 180 24
systray_padding = 6 2 6
systray_icon_size = 22
time1_format = %H:%M
clock_font_color = #eceff4 100
clock_padding = 8 0
RC
  xsetroot -solid '#6b8299'
  tint2 -c "$work/tint2rc" >"$work/tint2.log" 2>&1 &
  pids+=($!)
  # A window of murmel's titled "Murmel" that is no tray icon, waiting for it.
  murmel_window() {
    for _ in $(seq 6000); do
      for w in $(xdotool search --onlyvisible --name '^Murmel$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        [ "$WIDTH" -gt 100 ] && { echo "$w"; return; }
      done
      sleep 0.1
    done
    echo "no window of murmel (see $work/murmel-run.log)" >&2
    exit 1
  }
  # The null device plays in real time where the machine has no sound card.
  # A short state directory, so the file's path shows whole in the window.
  murmel_state=$(mktemp -d "${TMPDIR:-/tmp}/murmel-XXXXXX")
  PELLOW_HOME=$murmel_state PELLOW_AUDIO_DEVICE=${PELLOW_AUDIO_DEVICE:-null} \
    tools/run-murmel.sh >"$work/murmel-run.log" 2>&1 &
  pids+=($!)
  # The check at start tells of the new fax in a box of its own.
  box=$(murmel_window)
  sleep 1
  # Its one button, OK, sits in its lower right corner.
  eval "$(xdotool getwindowgeometry --shell "$box")"
  xdotool mousemove --window "$box" $((WIDTH - 50)) $((HEIGHT - 24)) click 1
  for _ in $(seq 50); do xdotool getwindowname "$box" >/dev/null 2>&1 || break; sleep 0.1; done
  # The tray icon: a window of murmel's, icon-sized, embedded in the panel.
  icon=
  for _ in $(seq 100); do
    for w in $(xdotool search --onlyvisible --class '^murmel$' 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w")"
      [ "$WIDTH" -le 32 ] && [ "$Y" -gt 700 ] && icon=$w
    done
    [ -n "$icon" ] && break
    sleep 0.1
  done
  [ -n "$icon" ] || { echo "no tray icon (see $work/murmel-run.log)" >&2; exit 1; }
  sleep 12  # the first new message played, the second playing
  # A double click on the icon opens the window.
  xdotool mousemove --window "$icon" 11 11 click --repeat 2 --delay 80 1
  dlg=$(murmel_window)
  shot "$dlg" "$out/murmel-dialog.png"
  # Its close box only hides it; the right button on the icon gives the menu.
  xdotool windowactivate --sync "$dlg" key alt+F4
  sleep 0.5
  menu=
  for _ in $(seq 5); do
    xdotool mousemove --window "$icon" 11 11 click 3
    sleep 1
    for w in $(xdotool search --onlyvisible --class '^murmel$' 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w")"
      [ "$HEIGHT" -gt 150 ] && [ "$w" != "$dlg" ] && menu=$w && mx=$X && my=$Y
    done
    [ -n "$menu" ] && break
    xdotool key Escape
  done
  [ -n "$menu" ] || { echo "no tray menu" >&2; exit 1; }
  # The menu with a margin, down to the bottom and right edges of the screen.
  eval "$(xdotool getdisplaygeometry --shell)"
  x=$((mx > 30 ? mx - 30 : 0)) y=$((my > 20 ? my - 20 : 0))
  import -window root -crop "$((WIDTH - x))x$((HEIGHT - y))+$x+$y" +repage "$out/murmel-tray-menu.png"
  # "C&lose" ends murmel and its simulator.
  xdotool key Up Return
  sleep 1
fi
echo "pictures in $out/ (logs in $work${murmel_state:+, murmel state: $murmel_state})"
