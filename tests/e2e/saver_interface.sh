# The in-scene interface in a test run: F1 opens the help window with the user guide, a drag
# moves it, a right click opens the colour editor, and after Escape and a restart the window is
# where it was left (read back from "Kelvane.ini"). Screenshots go to build/logs.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init interface
assets="$E2E_TOP/build/linux/assets/Skyloom"
[ -f "$assets/pack.dat" ] || fail "no generated data in $assets"
cp -r "$assets"/. "$INSTALL"/
shots="$E2E_TOP/build/logs"
mkdir -p "$shots"

# help_state FIELD: a field of the help window's saved state in "Kelvane.ini" (its entry is the
# list panel's key followed by the id 1281): flags, or x / targetx as a float.
help_state() {
  local at
  at=$(LC_ALL=C grep -obUaP 'savecbuttonlist\x00\x01\x05\x00\x00' "$INSTALL/Kelvane.ini" | head -n 1 | cut -d: -f1)
  [ -n "$at" ] || { echo "none"; return; }
  local state=$((at + 16))
  case $1 in
    flags) od -An -t u4 -j $((state + 4)) -N 4 "$INSTALL/Kelvane.ini" | tr -d ' ' ;;
    targetx) od -An -t f4 -j $((state + 16)) -N 4 "$INSTALL/Kelvane.ini" | tr -d ' ' ;;
  esac
}
# changed_from A.png: how much the middle of a fresh screenshot differs from A (0 to 1).
changed_from() {
  import -window root "$WORK/now.png"
  convert "$1" -crop 400x300+312+234 +repage "$WORK/was-middle.png"
  convert "$WORK/now.png" -crop 400x300+312+234 +repage "$WORK/now-middle.png"
  compare -metric RMSE "$WORK/was-middle.png" "$WORK/now-middle.png" null: 2>&1 | sed -n 's/.*(\([0-9.e-]*\)).*/\1/p'
}
differs() { awk -v d="$(changed_from "$1")" 'BEGIN { exit !(d + 0 > 0.05) }'; }
# red_share: clearly red pixels in the lower right of a fresh screenshot, where the colour
# editor opens after the click below (its red sliders).
red_share() {
  import -window root "$WORK/red.png"
  convert "$WORK/red.png" -crop 400x520+600+240 +repage -fx '(r > 0.7 && g < 0.25 && b < 0.25) ? 1 : 0' \
    -format '%[fx:mean]' info:
}

saver_start /t
saver_wait_window
wait_until 60 hint_shown || fail "the scene did not start"
saver_expect_running 3 "starting up"
import -window root "$WORK/before.png"

saver_key F1
wait_until 30 differs "$WORK/before.png" || fail "F1 did not open the help window"
sleep 2
import -window root "$shots/e2e-saver_interface-help.png"
log "the help window is open"

# A drag on the text moves the window (only the slider and the title's buttons are not handles).
xdotool mousemove 512 400
sleep 0.5
xdotool mousedown 1
for step in 1 2 3 4 5 6; do xdotool mousemove $((512 + 20 * step)) $((400 + 8 * step)); sleep 0.4; done
xdotool mouseup 1
sleep 2
red_before=$(red_share)
editor_shown() { awk -v a="$red_before" -v b="$(red_share)" 'BEGIN { exit !(b > a + 0.005) }'; }
xdotool click 3
wait_until 30 editor_shown || fail "no colour editor after a right click"
import -window root "$shots/e2e-saver_interface-colours.png"
log "the colour editor is open"

saver_key Escape
saver_expect_exit 30
kelvane_exists || fail "no Kelvane.ini after the test run"
flags=$(help_state flags)
moved_x=$(help_state targetx)
log "help window saved: flags $flags, x $moved_x"
[ "$flags" != none ] || fail "Kelvane.ini holds no help window"
(( flags & 1 )) || fail "the help window was open but is saved closed"
awk -v x="$moved_x" 'BEGIN { exit !(x > -12.0) }' || fail "the drag did not move the help window (x $moved_x)"

# The next run takes the layout: the window glides in to where it was, and a run that leaves it
# alone saves it there again.
saver_start /t
saver_wait_window
wait_until 60 hint_shown || fail "the scene did not start again"
saver_expect_running 12 "the panels gliding in"
import -window root "$shots/e2e-saver_interface-restored.png"
saver_key Escape
saver_expect_exit 30
again=$(help_state targetx)
[ "$again" = "$moved_x" ] || fail "the help window came back at x $again, not $moved_x"
(( $(help_state flags) & 1 )) || fail "the help window did not come back open"
log "interface ok: the help window came back at x $again"
