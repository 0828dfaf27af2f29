# F1 makes a full-screen run (/s) interactive: it does not end the run, and afterwards keys,
# clicks and mouse moves drive the scene instead of ending it; Escape and switching to another
# program still end it, and the view state "Kelvane.ini" is saved.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init full-interactive

saver_start /s
saver_wait_window
saver_settle

saver_key F1
saver_expect_running 2 "F1"
saver_click 1
saver_click 3
saver_move 8
saver_key Up
saver_key w
saver_key F1
saver_expect_running 3 "keys, clicks and mouse moves after F1"

saver_key Escape
saver_expect_exit 30
kelvane_exists || fail "no Kelvane.ini after an interactive full-screen run"

rm "$INSTALL/Kelvane.ini"
saver_start /s
saver_wait_window
saver_settle
saver_key F1
saver_expect_running 2 "F1"
xmessage -geometry +20+20 "another program" &
SAVER_EXTRA_PIDS+=($!)
wait_until 20 bash -c 'xdotool search --onlyvisible --class xmessage >/dev/null 2>&1' || fail "xmessage did not appear"
log "focus to another program"
xdotool windowfocus "$(xdotool search --onlyvisible --class xmessage | head -n 1)"
saver_expect_exit 30
kelvane_exists || fail "no Kelvane.ini after an interactive run ended by switching programs"
log "interactive full-screen run ok"
