# At a text size of 150 % (LogPixels 144) the settings dialogs grow with their text, and the test
# and full-screen runs still cover their window and the screen pixel for pixel: the program is
# DPI aware, so nothing is drawn small and stretched.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init dpi-scaling
DESKTOP_KEY='HKCU\Control Panel\Desktop'
set_dpi() { "$WINE" reg add "$DESKTOP_KEY" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 || fail "cannot set LogPixels"; }
# The shared prefix goes back to its default size whatever happens.
trap 'rc=$?; "$WINE" reg delete "$DESKTOP_KEY" /v LogPixels /f >/dev/null 2>&1; (exit $rc); saver_cleanup' EXIT
shots="$E2E_TOP/build/logs"
mkdir -p "$shots"

# settings_size DPI: SIZE is "WIDTH HEIGHT" of the settings dialog at that text size; screenshots
# of it and of the "General" dialog it opens go to build/logs.
settings_size() {
  set_dpi "$1"
  saver_start /c
  dialog_wait "Skyloom 0.9"
  SIZE=$(dialog_size)
  import -window root "$shots/e2e-dpi$1-settings.png"
  dialog_keys alt+g
  dialog_wait General
  import -window root "$shots/e2e-dpi$1-general.png"
  dialog_keys Escape
  wait_until 20 dialog_closed General || fail "General did not close on Escape"
  dialog_wait "Skyloom 0.9"
  dialog_keys Escape
  saver_expect_exit 30
}

settings_size 96
read -r w96 h96 <<<"$SIZE"
settings_size 144
read -r w144 h144 <<<"$SIZE"
log "settings dialog: ${w96}x${h96} at 100 %, ${w144}x${h144} at 150 %"
# The client area scales by 1.5; the caption and frame a little less.
awk -v a="$w96" -v b="$w144" 'BEGIN { exit !(b >= 1.35 * a && b <= 1.6 * a) }' || fail "the width did not grow with the text"
awk -v a="$h96" -v b="$h144" 'BEGIN { exit !(b >= 1.3 * a && b <= 1.6 * a) }' || fail "the height did not grow with the text"

read -r screen_width screen_height <<<"$(xdotool getdisplaygeometry)"
window_size() { xdotool getwindowgeometry --shell "$SAVER_WINDOW" | awk -F= '/^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w, h}'; }

# The test run is maximised at 150 % as at 100 %.
saver_start /t
saver_wait_window
wait_until 20 bash -c "[ \$(xdotool getwindowgeometry --shell $SAVER_WINDOW | sed -n 's/^WIDTH=//p') -ge $((screen_width - 16)) ]" ||
  fail "the test window is $(window_size), not maximised on a ${screen_width}x${screen_height} screen"
wait_until 30 hint_shown || fail "no \"F1 for help\" hint in the top left corner"
import -window root "$shots/e2e-dpi144-test.png"
xdotool mousemove 500 400
saver_click 1
saver_key Escape
saver_expect_exit 30

# The full-screen run covers the whole screen.
saver_start /s
saver_wait_window
read -r w h <<<"$(window_size)"
[ "$w" -eq "$screen_width" ] && [ "$h" -eq "$screen_height" ] || fail "the full-screen window is ${w}x$h on a ${screen_width}x$screen_height screen"
saver_settle
wait_until 30 hint_shown || fail "no \"F1 for help\" hint in the full-screen run"
saver_key Escape
saver_expect_exit 30
log "150 % text size ok"
