# The engine sound of the followed unit reaches the sound device: with ALSA's default device
# written to a file, a test run whose camera is switched to follow the formation ("F") leaves
# sound in the file that is not silence.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
assets="$E2E_TOP/build/linux/assets/Skyloom"
[ -d "$assets/aircraft" ] || fail "no generated data in $assets"
saver_init engine-sound
cp -r "$assets"/. "$INSTALL"/

# The share of non-zero bytes in a capture (silence is all zeros, whatever the sample format).
loudness() {
  od -An -tu1 -v "$1" | awk '{ for (i = 1; i <= NF; i++) { n++; if ($i != 0) z++ } } END { printf "%.4f\n", n ? z / n : 0 }'
}

# run NAME: a test run of about 15 s, following the formation, with its sound in $WORK/NAME.raw.
run() {
  local capture="$WORK/$1.raw"
  mkdir -p "$WORK/home-$1"
  printf 'pcm.!default { type file; slave.pcm { type null }; file "%s"; format "raw" }\n' "$capture" \
    >"$WORK/home-$1/.asoundrc"
  HOME="$WORK/home-$1" saver_start /t
  saver_wait_window
  saver_settle 3
  # Held for a moment: the camera reads the key states once a frame.
  saver_focus
  xdotool keydown f
  sleep 0.5
  xdotool keyup f
  sleep 8
  xdotool mousemove 500 400
  saver_click 1
  saver_key Escape
  saver_expect_exit 90
  [ -s "$capture" ] || fail "$1: nothing was written to the sound device"
  log "$1: $(stat -c %s "$capture") bytes of sound, $(loudness "$capture") of them not zero"
}

run following
awk -v s="$(loudness "$WORK/following.raw")" 'BEGIN { exit !(s > 0.05) }' ||
  fail "the followed formation's engines are not heard"
log "engine sound ok"
