# The setup program and its uninstaller, driven by keys as a user would: the licence ("I agree",
# Next), the options (Install with the defaults), the progress (Finish); then the program, the
# screen saver in the Windows folder, the shortcuts, the registry values and the call that makes
# it the active screen saver must be there. The uninstaller ("/uninstall", then its copy in the
# temporary folder) must leave none of it, and delete itself.
#
# It runs in a copy of the test prefix, so that nothing it does reaches the other tests, with a
# throwaway HOME and Wine's menu builder off, so that "nothing left" is checked where everything
# was written. Our Wine has no display control panel: a stand-in "desk.cpl" records the call.
set -euo pipefail
source "$(dirname "$0")/lib/saver.bash"
[ -f "$E2E_TOP/build/windows/bin/SkyloomInstaller.exe" ] || fail "the installer is not built"
[ -f "$E2E_TOP/build/windows/bin/desk.cpl" ] || fail "the desk.cpl stand-in is not built"
WORK=$(mktemp -d "$E2E_TOP/build/e2e-installer.XXXX")
prefix="$WORK/prefix"
cleanup() {
  local rc=$?
  [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WORK"
  exit $rc
}
trap cleanup EXIT
cp -a "$WINEPREFIX" "$prefix"
export WINEPREFIX="$prefix"
# The prefix's desktop and document folders point into the home folder it was made in: here
# they are folders of the prefix itself.
for link in "$prefix"/drive_c/users/*/*; do
  if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
done
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
export HOME="$WORK/home"
mkdir -p "$HOME"
cp "$E2E_TOP/build/windows/bin/desk.cpl" "$prefix/drive_c/windows/system32/desk.cpl"
setup=$("$E2E_TOP/scripts/package" "$WORK/SkyloomSetup.exe")
drive="$prefix/drive_c"
program="$drive/Program Files/Velkaran/Skyloom"
regkey() { "$WINE" reg query "$1" >/dev/null 2>&1; }
regvalue() { "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Skyloom'
program_key='HKCU\Software\Velkaran\Skyloom'

# step TITLE KEYS...: waits for the dialog and types the keys into it.
step() {
  local title=$1
  shift
  wait_until 60 find_dialog "$title" || fail "no dialog \"$title\""
  sleep 1
  dialog_keys "$@"
}

log "installing"
"$WINE" "$setup" >"$WORK/setup.log" 2>&1 &
SAVER_PID=$!
step "Skyloom 0.9" space Tab Return  # the licence: "I agree", then Next
sleep 2
step "Skyloom 0.9" Return            # the options: Install
wait_until 120 bash -c "[ -f '$program/Uninstall.exe' ]" || fail "the installation did not finish"
sleep 7                              # Finish shows five seconds after the end
step "Skyloom 0.9" Return            # Finish
saver_expect_exit 30

[ -f "$program/Skyloom.exe" ] && [ -f "$program/pack.dat" ] || fail "the program is not installed"
[ -f "$drive/windows/Skyloom.scr" ] || fail "no Skyloom.scr in the Windows folder"
menu="$(find "$drive/users" -type d -path '*/Start Menu/Programs/Skyloom' | head -n 1)"
[ -n "$menu" ] || fail "no Start-menu folder \"Skyloom\""
cmp -s "$program/Skyloom.exe" "$drive/windows/Skyloom.scr" || fail "Skyloom.scr is not the program"
[ -f "$menu/Skyloom.lnk" ] || fail "no Start-menu shortcut in $menu: $(find "$drive/users" -name '*.lnk')"
ls "$drive"/users/*/Desktop/Skyloom.lnk >/dev/null 2>&1 || fail "no desktop shortcut"
[ "$(regvalue "$program_key" installdir)" = 'C:\Program Files\Velkaran\Skyloom' ] || fail "installdir is not written"
[ "$(regvalue "$uninstall_key" DisplayName)" = "Skyloom 0.9" ] || fail "no uninstall entry"
[ "$(regvalue "$uninstall_key" UninstallString)" = '"C:\Program Files\Velkaran\Skyloom\Uninstall.exe" /uninstall' ] ||
  fail "the uninstall string is $(regvalue "$uninstall_key" UninstallString)"
grep -qi 'Skyloom.scr' "$drive/desk-standin.txt" || fail "the screen saver was not made the active one"
rm -f "$drive/desk-standin.txt"
[ -z "$(ls -A "$HOME")" ] || fail "the installation wrote into the Linux home folder: $(ls -A "$HOME")"
log "installed: program, screen saver, shortcuts, registry values, the active-saver call"

log "uninstalling"
"$WINE" 'C:\Program Files\Velkaran\Skyloom\Uninstall.exe' /uninstall >"$WORK/uninstall.log" 2>&1 &
SAVER_PID=$!
step "Skyloom 0.9" Return            # "Uninstall Skyloom 0.9"
saver_expect_exit 30
step "Skyloom 0.9" Return            # the copy asks "Do you really want to uninstall Skyloom 0.9 ?"
wait_until 120 bash -c "[ ! -e '$program' ]" || fail "the install folder is still there"
sleep 7
step "Skyloom 0.9" Return            # Finish
wait_until 60 bash -c "! ls '$drive'/windows/temp/uninstallsecond.exe >/dev/null 2>&1" ||
  fail "the uninstaller's copy did not delete itself"
timeout 60 wineserver -w || true  # the removal batch ends once it has deleted itself

[ ! -e "$drive/Program Files/Velkaran" ] || fail "the Velkaran folder is left"
[ ! -e "$drive/windows/Skyloom.scr" ] || fail "Skyloom.scr is left"
[ ! -e "$menu" ] || fail "the Start-menu folder is left"
! ls "$drive"/users/*/Desktop/Skyloom.lnk >/dev/null 2>&1 || fail "the desktop shortcut is left"
! regkey "$uninstall_key" || fail "the uninstall entry is left"
! regkey "$program_key" || fail "the program's key is left"
! regkey 'HKCU\Software\Velkaran' || fail "the emptied Velkaran key is left"
[ -z "$(find "$drive" -iname 'DelUS.bat' -o -iname 'uninstallsecond.exe' | head -n 1)" ] || fail "the uninstaller is left"
[ -z "$(ls -A "$HOME")" ] || fail "something was written into the Linux home folder"
log "installer ok: installed and removed without a trace"
