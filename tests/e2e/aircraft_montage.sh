# The generated aircraft drawn by the program's own unit drawing under Wine (modelview.exe): every
# aircraft file loads, and each of its two cells, finest and coarsest level of detail, shows an
# aircraft rather than the empty cell colour.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
fleet="$E2E_TOP/build/linux/assets/Skyloom/aircraft"
viewer="$SAVER_BIN/modelview.exe"
[ -x "$viewer" ] || fail "$viewer is not built"
count=$(ls "$fleet"/*.cu 2>/dev/null | wc -l)
[ "$count" -ge 8 ] || fail "only $count aircraft files in $fleet"
saver_init aircraft-montage
cp -r "$fleet" "$INSTALL/aircraft"

log "starting modelview.exe with $count aircraft files"
(cd "$INSTALL" && exec "$WINE" "$viewer" 60 >>"$WORK/saver.log" 2>&1) &
SAVER_PID=$!
wait_until 60 bash -c 'xdotool search --name "^Skyloom aircraft$" >/dev/null 2>&1' || fail "no modelview window"
window=$(xdotool search --name '^Skyloom aircraft$' | head -n 1)
sleep 3
shot="$WORK/montage.png"
import -window "$window" "$shot"
read -r width height < <(identify -format '%w %h\n' "$shot")
rows=$(( (count + 2) / 3 ))
cell_w=$(( width / 6 ))
cell_h=$(( height / rows ))
# The lower four fifths of a cell, below its label: an empty cell is one flat colour.
empty=0
for (( i = 0; i < count; i++ )); do
  for level in 0 1; do
    x=$(( (i % 3 * 2 + level) * cell_w + 4 ))
    y=$(( i / 3 * cell_h + cell_h / 5 ))
    spread=$(convert "$shot" -crop "$(( cell_w - 8 ))x$(( cell_h * 4 / 5 - 4 ))+$x+$y" +repage \
      -colorspace Gray -format '%[fx:standard_deviation]' info:)
    log "aircraft $i level cell $level: grey spread $spread"
    awk -v s="$spread" 'BEGIN { exit !(s > 0.02) }' || empty=$((empty + 1))
  done
done
[ "$empty" -eq 0 ] || fail "$empty of $((count * 2)) cells show no aircraft"
xdotool key --window "$window" Escape 2>/dev/null || true
wait_until 20 bash -c "! kill -0 $SAVER_PID 2>/dev/null" || fail "modelview did not end on Escape"
SAVER_PID=""
log "all $count aircraft drawn at both levels"
