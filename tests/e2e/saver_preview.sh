# Preview (/p HWND): the saver draws into a child window that fills the given parent window, and
# ends when the parent goes away. Nothing is saved.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init preview
host="$SAVER_BIN/preview_host.exe"
[ -x "$host" ] || fail "$host is not built"

log "preview host: parent closed after 4 s"
timeout 180 "$WINE" "$host" "Z:${SAVER_EXE//\//\\}" 4 >"$WORK/host.txt" 2>&1 || {
  cat "$WORK/host.txt"; fail "preview host failed"; }
tr -d '\r' <"$WORK/host.txt" | tee "$WORK/host.clean"
child=$(sed -n 's/^child //p' "$WORK/host.clean")
parent=$(sed -n 's/^parent //p' "$WORK/host.clean")
[ "$parent" = "320 240" ] || fail "parent client size '$parent', expected 320 240"
[ "$child" = "$parent" ] || fail "child client size '$child' does not fill the parent '$parent'"
grep -qx 'saver exit 0' "$WORK/host.clean" || fail "the saver did not end with exit code 0 when its parent closed"
[ ! -e "$INSTALL/Kelvane.ini" ] || fail "Kelvane.ini written by a preview"
log "preview ok"

# A handle that is no window (or a parent closed before the child is made): there is nowhere to
# draw, so the saver must end by itself rather than run on invisibly.
log "preview of a handle that is no window"
saver_start /p 12345
saver_expect_exit 20 0
log "a preview without a window ends"
