# The music the settings name is heard: with the engines silenced and ALSA's default device
# written to a file, a test run whose file list holds two MP3 files (a stereo 44.1 kHz one and a
# mono 22.05 kHz one made from the engine sample) leaves sound in the file, and the run still
# ends at once on Escape with the music engine shut down.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
assets="$E2E_TOP/build/linux/assets/Skyloom"
settingsgen="$E2E_TOP/build/linux/tools/settingsgen/settingsgen"
[ -d "$assets/aircraft" ] || fail "no generated data in $assets"
[ -x "$settingsgen" ] || fail "$settingsgen is not built"
command -v lame >/dev/null || fail "lame is not installed (scripts/setup installs it)"
saver_init music
cp -r "$assets"/. "$INSTALL"/

mkdir -p "$INSTALL/music"
head -c $((44100 * 4 * 6)) /dev/urandom >"$WORK/noise.raw"
lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian -m s "$WORK/noise.raw" "$INSTALL/music/noise.mp3"
lame --quiet "$INSTALL/plane.wav" "$INSTALL/music/engine.mp3"
windows() { echo "Z:${1//\//\\}"; }

loudness() {
  od -An -tu1 -v "$1" | awk '{ for (i = 1; i <= NF; i++) { n++; if ($i != 0) z++ } } END { printf "%.4f\n", n ? z / n : 0 }'
}

# run NAME SETTINGS...: a test run of about 10 s with those settings, its sound in $WORK/NAME.raw.
run() {
  local name=$1 capture="$WORK/$1.raw"
  shift
  "$settingsgen" "$INSTALL/config.ini" sound=0 "$@" || fail "settingsgen failed"
  mkdir -p "$WORK/home-$name"
  printf 'pcm.!default { type file; slave.pcm { type null }; file "%s"; format "raw" }\n' "$capture" \
    >"$WORK/home-$name/.asoundrc"
  HOME="$WORK/home-$name" saver_start /t
  saver_wait_window
  saver_expect_running 10 "$name"
  xdotool mousemove 500 400
  saver_click 1
  saver_key Escape
  saver_expect_exit 60
  SHARE=0
  [ -s "$capture" ] && SHARE=$(loudness "$capture")
  log "$name: $(stat -c %s "$capture" 2>/dev/null || echo 0) bytes of sound, $SHARE of them not zero"
}

# Without music (and without engines) nothing is heard; with the two files the music is.
run silent
awk -v s="$SHARE" 'BEGIN { exit !(s < 0.01) }' || fail "sound without music or engines"
run music music="$(windows "$INSTALL/music/noise.mp3")" music="$(windows "$INSTALL/music/engine.mp3")"
awk -v s="$SHARE" 'BEGIN { exit !(s > 0.05) }' || fail "the music is not heard"
log "music ok"
