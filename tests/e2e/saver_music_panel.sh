# The music panel in a test run with the play buttons on and the engine sounds off: the spectrum
# shows bars that move with the music, and the buttons pause, resume and skip it, which the
# sound written to ALSA's file sink shows (the first track is loud noise, the second silence).
# Screenshots go to build/logs.
#
# The buttons are clicked where the panel's default layout puts them on a 1024 × 768 screen with
# the window maximised (a 1024 × 749 client area under a 19-pixel title bar) and the default 90°
# view angle.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
assets="$E2E_TOP/build/linux/assets/Skyloom"
settingsgen="$E2E_TOP/build/linux/tools/settingsgen/settingsgen"
[ -d "$assets/aircraft" ] || fail "no generated data in $assets"
[ -x "$settingsgen" ] || fail "$settingsgen is not built"
command -v lame >/dev/null || fail "lame is not installed (scripts/setup installs it)"
[ "$(xdotool getdisplaygeometry)" = "1024 768" ] || fail "the screen is $(xdotool getdisplaygeometry), not 1024 768"
saver_init music-panel
cp -r "$assets"/. "$INSTALL"/
shots="$E2E_TOP/build/logs"
mkdir -p "$shots"

# Eight minutes each: ALSA's null sink takes the sound faster than it plays.
mkdir -p "$INSTALL/music"
head -c $((22050 * 2 * 480)) /dev/urandom >"$WORK/noise.raw"
head -c $((22050 * 2 * 480)) /dev/zero >"$WORK/silence.raw"
for t in noise silence; do
  lame --quiet -r -s 22.05 --bitwidth 16 --signed --little-endian -m m -b 32 "$WORK/$t.raw" "$INSTALL/music/$t.mp3"
done
windows() { echo "Z:${1//\//\\}"; }
"$settingsgen" "$INSTALL/config.ini" sound=0 buttons=1 music="$(windows "$INSTALL/music/noise.mp3")" \
  music="$(windows "$INSTALL/music/silence.mp3")" || fail "settingsgen failed"
capture="$WORK/capture.raw"
mkdir -p "$WORK/home"
printf 'pcm.!default { type file; slave.pcm { type null }; file "%s"; format "raw" }\n' "$capture" >"$WORK/home/.asoundrc"

# The button centres (previous, play, pause, stop, next, open) and the spectrum's strip.
button_x=(724 777 829 882 935 988)
button_y=125
spectrum="310x40+700+229"
press() {  # press INDEX NAME
  log "press $2"
  xdotool mousemove "${button_x[$1]}" "$button_y"
  sleep 0.4
  xdotool click 1
}
bar_share() {
  import -window root "$WORK/bars.png"
  convert "$WORK/bars.png" -crop "$spectrum" +repage -fx '(g > 0.5 && b < 0.35) ? 1 : 0' -format '%[fx:mean]' info:
}
bars_shown() { awk -v s="$(bar_share)" 'BEGIN { exit !(s > 0.02) }'; }
bars_gone() { awk -v s="$(bar_share)" 'BEGIN { exit !(s < 0.002) }'; }
# loud_after SECONDS: the share of non-zero bytes the sink receives over the next SECONDS.
loud_after() {
  local from
  from=$(stat -c %s "$capture" 2>/dev/null || echo 0)
  sleep "$1"
  tail -c +$((from + 1)) "$capture" | od -An -tu1 -v |
    awk '{ for (i = 1; i <= NF; i++) { n++; if ($i != 0) z++ } } END { printf "%.4f\n", n ? z / n : 0 }'
}
expect_loud() {
  local s
  s=$(loud_after 2)
  log "$1: $s of the sound not zero"
  awk -v s="$s" 'BEGIN { exit !(s > 0.05) }' || fail "$1: the music is not heard"
}
expect_silent() {
  local s
  s=$(loud_after 2)
  log "$1: $s of the sound not zero"
  awk -v s="$s" 'BEGIN { exit !(s < 0.01) }' || fail "$1: the music is still heard"
}

HOME="$WORK/home" saver_start /t
saver_wait_window
wait_until 60 bars_shown || fail "no spectrum bars while the music plays"
import -window root "$shots/e2e-saver_music_panel-playing.png"
sleep 1
import -window root "$WORK/later.png"
convert "$shots/e2e-saver_music_panel-playing.png" -crop "$spectrum" +repage "$WORK/bars-1.png"
convert "$WORK/later.png" -crop "$spectrum" +repage "$WORK/bars-2.png"
moved=$(compare -metric AE -fuzz 10% "$WORK/bars-1.png" "$WORK/bars-2.png" null: 2>&1 | sed -n 's/^\([0-9]*\).*/\1/p' || true)
log "${moved:-no} pixels of the spectrum changed in a second"
[ "${moved:-0}" -gt 20 ] || fail "the spectrum does not move with the music"
expect_loud "playing"

press 2 pause
sleep 1
expect_silent "paused"
wait_until 20 bars_gone || fail "the bars stay up while paused"
import -window root "$shots/e2e-saver_music_panel-paused.png"
press 1 play
sleep 1
expect_loud "resumed"
press 4 next
sleep 1
expect_silent "the next track (silence)"
press 0 previous
sleep 1
expect_loud "the previous track again"

saver_key Escape
saver_expect_exit 60
log "music panel ok"
