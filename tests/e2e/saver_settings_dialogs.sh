# Config mode edits the settings with the keyboard alone: the settings dialog "Skyloom 0.9" opens
# "General" and "Aircraft"; Cancel writes nothing, OK writes "config.ini" with the new view
# angle and the new aircraft list in the order made.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init settings-dialogs
settingsgen="$E2E_TOP/build/linux/tools/settingsgen/settingsgen"
[ -x "$settingsgen" ] || fail "$settingsgen is not built"
mkdir -p "$INSTALL/aircraft"
for a in alpha bravo charlie; do : >"$INSTALL/aircraft/$a.cu"; done

# General: the view angle trackbar to its end (120 degrees), then OK.
widen_view() {
  dialog_wait "Skyloom 0.9"
  dialog_keys alt+g
  dialog_wait General
  dialog_keys alt+v End Return
  wait_until 20 dialog_closed General || fail "General did not close on Enter"
}

# Changes made, then Cancel: nothing is written.
saver_start /c
widen_view
dialog_wait "Skyloom 0.9"
dialog_keys Escape
saver_expect_exit 30
[ ! -e "$INSTALL/config.ini" ] || fail "Cancel wrote config.ini"
log "Cancel wrote nothing"

# The same, and the aircraft: remove all, add "alpha" and "charlie", move "charlie" to the top.
# The Available list is "null", "alpha", "bravo", "charlie".
saver_start /c
widen_view
dialog_wait "Skyloom 0.9"
dialog_keys alt+a
dialog_wait Aircraft
dialog_keys alt+l alt+v Home Down alt+a alt+v Down Down alt+a alt+d End alt+t alt+d Return
wait_until 20 dialog_closed Aircraft || fail "Aircraft did not close on Enter"
# Back on "Aircraft Settings": three tabs reach OK.
dialog_wait "Skyloom 0.9"
dialog_keys Tab Tab Tab Return
saver_expect_exit 30
[ -s "$INSTALL/config.ini" ] || fail "OK wrote no config.ini"
values=$("$settingsgen" --print "$INSTALL/config.ini") || fail "config.ini does not load"
echo "$values" | sed 's/^/    /'
grep -qx 'general.viewAngle=120' <<<"$values" || fail "the view angle is not 120"
grep -qx 'aircraft.chosen=charlie|alpha' <<<"$values" || fail "the aircraft are not charlie, alpha"

# Opened again, the dialogs show what was saved; Cancel leaves the file as it is.
before=$(md5sum <"$INSTALL/config.ini")
saver_start /c
widen_view
dialog_wait "Skyloom 0.9"
dialog_keys Escape
saver_expect_exit 30
[ "$(md5sum <"$INSTALL/config.ini")" = "$before" ] || fail "Cancel changed config.ini"
log "settings dialogs ok"
