# The settings mode (no switch, /c, /c:HWND) shows the settings dialog and ends when it is
# cancelled; the password change (/a HWND) starts and ends by itself. Neither opens a saver
# window or writes "Kelvane.ini" or "config.ini".
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init config-password

for args in "" "/c" "/c:0" "/a 0"; do
  # shellcheck disable=SC2086  # the switches are separate words on purpose
  saver_start $args
  if [ "$args" != "/a 0" ]; then
    dialog_wait "Skyloom 0.9"
    find_saver_window && fail "a saver window in settings mode"
    dialog_keys Escape
  fi
  saver_expect_exit 60
done
[ ! -e "$INSTALL/Kelvane.ini" ] || fail "Kelvane.ini written outside a saver run"
[ ! -e "$INSTALL/config.ini" ] || fail "config.ini written though every dialog was cancelled"
log "settings and password modes ok"
