# Sourced by the scripts that run Windows programs: a private Wine prefix under build/, and an
# Xvfb of our own on a free display, both taken down again by wine_down (call it from a trap).

WINE_TOP=${WINE_TOP:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX="$WINE_TOP/build/wineprefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no offers to install .NET or a browser engine
export WINE=${WINE:-wine}
# Our runs draw with Mesa's software rasteriser. Its anisotropic filter costs the terrain a
# factor of three in frame rate and, at grazing views, frames of many seconds (a profile shows
# the rasteriser threads in the texture sampler's loop while the program waits to present).
# Without the extension the device reports no anisotropic filtering and the program filters
# linearly, as it does on any such device. SKYLOOM_ANISOTROPIC=1 keeps it.
if [ "${SKYLOOM_ANISOTROPIC:-0}" != 1 ] && [ -z "${MESA_EXTENSION_OVERRIDE:-}" ]; then
  export MESA_EXTENSION_OVERRIDE="-GL_ARB_texture_filter_anisotropic -GL_EXT_texture_filter_anisotropic"
fi
XVFB_PID=""

# Starts Xvfb on the first display without a lock or socket and waits until it accepts clients.
# A display can be taken without a file to show it (an X server in another root or container
# holds the abstract socket of its number): when Xvfb gives up there, the next number is tried.
xvfb_up() {
  local n i
  for n in $(seq 91 160); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for i in $(seq 1 100); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
  done
  echo "wine-env: Xvfb did not start"
  return 1
}

# wine_up [--keep-display]: with --keep-display an existing DISPLAY is used (a person watching),
# otherwise our own Xvfb.
wine_up() {
  if [ "${1:-}" != "--keep-display" ] || [ -z "${DISPLAY:-}" ]; then
    xvfb_up || return 1
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || { echo "wine-env: wineboot failed"; return 1; }
  fi
  # No window manager runs on our display, so Wine places, frames and maximises windows itself,
  # as Windows would; otherwise a maximised window keeps its restored size on the screen.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

wine_down() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}
