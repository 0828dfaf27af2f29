# The full-screen run (/s) ends on the sixth position-changing mouse move, not before, and leaves
# no "Kelvane.ini" behind.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init full-mouse

saver_start /s
saver_wait_window
saver_settle

saver_move 5
saver_expect_running 3 "five mouse moves"
saver_move 1
saver_expect_exit 30
[ ! -e "$INSTALL/Kelvane.ini" ] || fail "Kelvane.ini written by a plain full-screen run"
log "full-screen mouse rule ok"
