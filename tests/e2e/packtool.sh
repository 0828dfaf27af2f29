# The Windows pack tool under Wine builds the same bytes as the native one, extracts a tree
# exactly, and finds a pack appended to an executable.
set -euo pipefail
top=$E2E_TOP
native="$top/build/linux/tools/packtool/packtool"
win="$top/build/windows/tools/packtool/packtool.exe"
work=$(mktemp -d "$top/build/e2e-packtool.XXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

mkdir -p Skyloom/aircraft Skyloom/tem/deep Skyloom/wav
head -c 300000 /dev/urandom >Skyloom/pack.dat
printf 'config' >Skyloom/config.ini
printf '' >Skyloom/aircraft/empty.cu
head -c 1000 /dev/urandom >Skyloom/aircraft/Plane.cu
head -c 70000 /dev/urandom >Skyloom/tem/deep/a.tem

"$native" build Skyloom native.pck
$WINE "$win" build Skyloom win.pck
cmp native.pck win.pck

$WINE "$win" extract native.pck out | tr -d '\r' >extract.txt
diff -r Skyloom out/Skyloom
grep -q '^Makedir:.*Skyloom\\tem\\deep$' extract.txt
grep -q '^Copyfile:.*Skyloom\\aircraft\\Plane.cu$' extract.txt

# An installer-like image: a program followed by its payload, at an odd offset.
head -c 77777 /dev/urandom >app.exe
cat native.pck >>app.exe
$WINE "$win" list app.exe | tr -d '\r' >list.txt
grep -q 'pack at offset 77777, 10 entries' list.txt
$WINE "$win" extract app.exe plane.bin Plane.cu
cmp plane.bin Skyloom/aircraft/Plane.cu
echo "packtool e2e ok"
