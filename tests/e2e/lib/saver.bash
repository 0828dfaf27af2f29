# Sourced by the screen saver's end-to-end tests: starts Skyloom.exe under Wine in a fresh install
# folder, finds its window, drives it with xdotool and waits for it to end. Expects E2E_TOP, WINE,
# WINEPREFIX and DISPLAY (tests/e2e/run inside scripts/lib/wine-env.sh). Everything started here is
# stopped by saver_cleanup, which saver_init installs as the EXIT trap.

# SAVER_BIN: the folder of Skyloom.exe and preview_host.exe, to test another build.
SAVER_BIN=${SAVER_BIN:-$E2E_TOP/build/windows/bin}
SAVER_EXE="$SAVER_BIN/Skyloom.exe"
SAVER_KEY='HKCU\Software\Velkaran\Skyloom'
SAVER_PID=""
SAVER_EXIT=""
SAVER_WINDOW=""
SAVER_EXTRA_PIDS=()

log() { echo "[$(date +%T)] $*"; }
fail() { log "FAIL: $*"; exit 1; }

# saver_init NAME: a work folder under build/ with an empty install folder "install" that the
# registry names as the program's install directory.
saver_init() {
  [ -x "$SAVER_EXE" ] || fail "$SAVER_EXE is not built"
  WORK=$(mktemp -d "$E2E_TOP/build/e2e-$1.XXXX")
  INSTALL="$WORK/install"
  mkdir -p "$INSTALL"
  trap saver_cleanup EXIT
  local windows_path="Z:${INSTALL//\//\\}"
  "$WINE" reg add "$SAVER_KEY" /v installdir /t REG_SZ /d "$windows_path" /f >/dev/null 2>&1 \
    || fail "cannot set installdir"
  # A known pointer position away from where the tests move it.
  xdotool mousemove 700 500
}

saver_cleanup() {
  local rc=$?
  saver_kill
  local pid
  for pid in "${SAVER_EXTRA_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  "$WINE" reg delete "$SAVER_KEY" /v installdir /f >/dev/null 2>&1 || true
  if [ "$rc" -ne 0 ] && [ -s "${WORK:-}/saver.log" ]; then
    echo "--- the saver's output:"
    tail -n 40 "$WORK/saver.log"
  fi
  [ -n "${WORK:-}" ] && rm -rf "$WORK"
  exit $rc
}

# Ends the saver's process if it still runs (only the one this test started; the shared
# wineserver stays up for the other tests).
saver_kill() {
  [ -n "$SAVER_PID" ] || return 0
  if kill -0 "$SAVER_PID" 2>/dev/null; then
    log "stopping the saver (pid $SAVER_PID)"
    kill "$SAVER_PID" 2>/dev/null || true
    local i
    for i in $(seq 1 50); do kill -0 "$SAVER_PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$SAVER_PID" 2>/dev/null || true
  fi
  wait "$SAVER_PID" 2>/dev/null || true
  SAVER_PID=""
}

# saver_start ARGS...: starts the saver in the background with its output in $WORK/saver.log.
saver_start() {
  log "starting Skyloom.exe $*"
  SAVER_EXIT=""
  SAVER_WINDOW=""
  "$WINE" "$SAVER_EXE" "$@" >>"$WORK/saver.log" 2>&1 &
  SAVER_PID=$!
}

saver_running() { [ -n "$SAVER_PID" ] && kill -0 "$SAVER_PID" 2>/dev/null; }

# wait_until SECONDS COMMAND...: polls COMMAND every 0.2 s until it succeeds; false on time-out.
wait_until() {
  local limit=$(( $1 * 5 )) i
  shift
  for (( i = 0; i < limit; i++ )); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}

find_saver_window() {
  SAVER_WINDOW=$(xdotool search --onlyvisible --name '^Skyloom$' 2>/dev/null | head -n 1)
  [ -n "$SAVER_WINDOW" ]
}

# saver_wait_window: waits for the visible window titled "Skyloom"; fails when the saver ends
# first or nothing appears within a minute.
saver_wait_window() {
  wait_until 60 window_or_exit || true
  saver_running || { saver_reap; fail "the saver ended (exit $SAVER_EXIT) before showing its window"; }
  [ -n "$SAVER_WINDOW" ] || fail "no window titled Skyloom within 60 s"
  log "saver window $SAVER_WINDOW: $(xdotool getwindowgeometry "$SAVER_WINDOW" | tr '\n' ' ')"
}
window_or_exit() { find_saver_window || ! saver_running; }

# Collects the exit code of a saver that has ended.
saver_reap() {
  wait "$SAVER_PID"
  SAVER_EXIT=$?
  SAVER_PID=""
}

# saver_expect_exit SECONDS [CODE]: the saver must end within SECONDS, with CODE (default 0).
saver_expect_exit() {
  wait_until "$1" bash -c "! kill -0 $SAVER_PID 2>/dev/null" || fail "the saver still runs after $1 s"
  saver_reap
  log "saver ended with exit code $SAVER_EXIT"
  [ "$SAVER_EXIT" -eq "${2:-0}" ] || fail "exit code $SAVER_EXIT, expected ${2:-0}"
}

# saver_expect_running SECONDS WHAT: the saver must still run SECONDS later.
saver_expect_running() {
  local i
  for (( i = 0; i < $1 * 5; i++ )); do
    saver_running || { saver_reap; fail "$2 ended the saver (exit $SAVER_EXIT)"; }
    sleep 0.2
  done
  log "still running after: $2"
}

# Input goes to the window that has the X input focus; there is no window manager to give it.
saver_focus() { xdotool windowfocus "$SAVER_WINDOW" 2>/dev/null || true; sleep 0.3; }
saver_key() { saver_focus; log "key $1"; xdotool key "$1"; }

# saver_move N: N pointer moves to positions that all differ from each other and from the start,
# each given time to reach the saver as a message of its own (Windows merges pending moves).
MOVE_STEP=0
saver_move() {
  local i
  for (( i = 0; i < $1; i++ )); do
    MOVE_STEP=$((MOVE_STEP + 1))
    xdotool mousemove $((100 + 37 * MOVE_STEP)) $((80 + 23 * MOVE_STEP))
    sleep 0.6
  done
  log "moved the pointer $1 time(s), $MOVE_STEP in all"
}

saver_click() { log "click button $1"; xdotool click "$1"; sleep 0.5; }

# Time for the saver to finish starting (devices, first frames) before input is counted.
saver_settle() { saver_expect_running "${1:-4}" "starting up"; }

kelvane_exists() { [ -s "$INSTALL/Kelvane.ini" ]; }

# yellow_share X Y W H: the share of clearly yellow pixels in that part of a fresh screenshot
# (the "F1 for help" hint).
yellow_share() {
  import -window root "$WORK/yellow.png"
  convert "$WORK/yellow.png" -crop "$3x$4+$1+$2" +repage -fx '(r > 0.75 && g > 0.75 && b < 0.35) ? 1 : 0' \
    -format '%[fx:mean]' info:
}
hint_shown() { awk -v s="$(yellow_share 0 20 400 100)" 'BEGIN { exit !(s > 0.02) }'; }
hint_gone() { awk -v s="$(yellow_share 0 20 400 100)" 'BEGIN { exit !(s < 0.001) }'; }

# Dialogs: DIALOG is the X window of the visible dialog titled exactly $1 (Wine draws the
# controls inside it, so keys go to the dialog and it hands them on as Windows would).
DIALOG=""
find_dialog() {
  DIALOG=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
  [ -n "$DIALOG" ]
}
# dialog_wait TITLE: fails when no such dialog shows within a minute or the saver ends first.
dialog_wait() {
  wait_until 60 bash -c "xdotool search --onlyvisible --name '^$1\$' >/dev/null 2>&1 || ! kill -0 $SAVER_PID 2>/dev/null" || true
  find_dialog "$1" || fail "no dialog \"$1\" within 60 s"
  log "dialog \"$1\": $(xdotool getwindowgeometry "$DIALOG" | tr '\n' ' ')"
}
dialog_closed() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }
# dialog_keys KEY...: the keys in order, to the dialog found last.
dialog_keys() {
  xdotool windowfocus "$DIALOG" 2>/dev/null || true
  sleep 0.3
  log "keys $*"
  local k
  for k in "$@"; do xdotool key "$k"; sleep 0.4; done
}
# dialog_size: "WIDTH HEIGHT" of the dialog found last.
dialog_size() {
  xdotool getwindowgeometry --shell "$DIALOG" | awk -F= '/^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print w, h}'
}
