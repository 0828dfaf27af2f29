# The settings mode (no switch, /c, /c:HWND) and the password change (/a HWND) start and end
# cleanly, without a saver window and without writing "Kelvane.ini".
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init config-password

for args in "" "/c" "/c:0" "/a 0"; do
  # shellcheck disable=SC2086  # the switches are separate words on purpose
  saver_start $args
  saver_expect_exit 60
done
[ ! -e "$INSTALL/Kelvane.ini" ] || fail "Kelvane.ini written outside a saver run"
log "settings and password modes ok"
