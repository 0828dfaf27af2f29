# A full-screen run (/s) ends on any key and on a mouse button, with exit code 0 and no
# "Kelvane.ini".
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init full-keys

for key in space a Escape; do
  saver_start /s
  saver_wait_window
  saver_settle
  saver_key "$key"
  saver_expect_exit 30
done

saver_start /s
saver_wait_window
saver_settle
saver_focus
saver_click 1
saver_expect_exit 30

[ ! -e "$INSTALL/Kelvane.ini" ] || fail "Kelvane.ini written by a plain full-screen run"
log "full-screen keys and buttons ok"
