# Without Direct3D the test run (/t) shows the error box instead of the scene (a light box with
# text on a black window) and Escape still ends it normally.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
saver_init no-direct3d
export WINEDLLOVERRIDES="d3d9=d;$WINEDLLOVERRIDES"

saver_start /t
saver_wait_window
saver_settle 3
shot="$WORK/shot.png"
import -window root "$shot"
mkdir -p "$E2E_TOP/build/logs"
cp "$shot" "$E2E_TOP/build/logs/e2e-saver_no_direct3d.png"

# The client area, below the caption bar that Wine draws for the maximised window.
convert "$shot" -chop 0x40 "$WORK/client.png"
# Light pixels form one box of about 300 x 150 (it drifts slowly, so no fixed position);
# everything else is black.
read -r box_w box_h box_x box_y < <(convert "$WORK/client.png" -colorspace gray -threshold 70% \
  -format '%@\n' info: | sed 's/[x+]/ /g')
log "light region ${box_w}x${box_h} at $box_x,$box_y"
if [ "$box_w" -lt 250 ] || [ "$box_w" -gt 360 ] || [ "$box_h" -lt 110 ] || [ "$box_h" -gt 190 ]; then
  fail "no error box: the light region is ${box_w}x${box_h}"
fi
dark=$(convert "$WORK/client.png" -colorspace gray -negate -threshold 90% -format '%[fx:mean]' info:)
awk -v d="$dark" 'BEGIN { exit !(d > 0.85) }' || fail "only $dark of the window is black"
# The box holds the message: dark text on the light background.
text=$(convert "$WORK/client.png" -crop "${box_w}x${box_h}+${box_x}+${box_y}" +repage -shave 4x4 \
  -colorspace gray -negate -threshold 50% -format '%[fx:mean]' info:)
awk -v t="$text" 'BEGIN { exit !(t > 0.01 && t < 0.4) }' || fail "no text in the error box (dark share $text)"

saver_key Escape
saver_expect_exit 30
log "error box ok"
