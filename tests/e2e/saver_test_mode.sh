# The test run (/t): a maximised window titled "Skyloom" that shows the "F1 for help" hint and
# lets it fade; mouse moves, clicks and losing activation leave it running; Escape ends it with
# exit code 0 and leaves "Kelvane.ini" in the install folder.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init test-mode

saver_start /t
saver_wait_window
screen_width=$(xdotool getdisplaygeometry | cut -d' ' -f1)
# Maximised: as wide as the screen (the window it starts from is 600 wide).
window_width() { xdotool getwindowgeometry --shell "$SAVER_WINDOW" | sed -n 's/^WIDTH=//p'; }
wait_until 20 bash -c "[ \$(xdotool getwindowgeometry --shell $SAVER_WINDOW | sed -n 's/^WIDTH=//p') -ge $((screen_width - 16)) ]" ||
  fail "the window is $(window_width) wide, not maximised on a $screen_width wide screen"
wait_until 30 hint_shown || fail "no \"F1 for help\" hint in the top left corner"
log "the hint is shown"

saver_move 8
saver_click 1
saver_click 3
saver_move 2
saver_expect_running 2 "mouse moves and clicks"

# Another program takes the focus: the test run must not end.
xmessage -geometry +20+20 "another program" &
SAVER_EXTRA_PIDS+=($!)
wait_until 20 bash -c 'xdotool search --onlyvisible --class xmessage >/dev/null 2>&1' || fail "xmessage did not appear"
xdotool windowfocus "$(xdotool search --onlyvisible --class xmessage | head -n 1)"
saver_expect_running 3 "losing the focus to another program"
[ ! -e "$INSTALL/Kelvane.ini" ] || fail "Kelvane.ini written while the run goes on"

kill "${SAVER_EXTRA_PIDS[0]}"
wait "${SAVER_EXTRA_PIDS[0]}" 2>/dev/null || true
SAVER_EXTRA_PIDS=()

# The hint fades out after 15 s of the scene's time.
wait_until 60 hint_gone || fail "the hint is still shown"
log "the hint has gone"

# Back to the saver: Wine makes a window active again on a click, not on the X focus alone.
xdotool mousemove 500 400
saver_click 1
saver_key Escape
saver_expect_exit 30
kelvane_exists || fail "no Kelvane.ini after the test run"
log "test mode ok ($(stat -c %s "$INSTALL/Kelvane.ini") bytes of Kelvane.ini)"
