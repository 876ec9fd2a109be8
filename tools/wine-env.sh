# Sourced by the Windows scripts: the environment and helpers for running the
# x86_64 build under 64-bit Wine. Set KESTRIVO_WINEPREFIX (or WINEPREFIX) to
# choose the prefix; the default is <build folder>/wineprefix.
# Only the 64-bit loader can run here; /usr/bin/wine picks the 32-bit one.
WINE_LOADER=/usr/lib/wine/wine64
WINE_SERVER=/usr/lib/wine/wineserver64

export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# GetACP() is 936 and non-ASCII file names work only with this locale generated.
export LANG=zh_CN.UTF-8
export LC_ALL=zh_CN.UTF-8

# Creates the prefix once: wineboot, then windows without frames from a window
# manager (there is none under Xvfb; Wine draws the frames itself and GUI tests
# run twice as fast), then waits until the wineserver has gone so that no later
# run meets a server started without a display.
wine_prefix_ready() {
  local prefix=$1
  [ -f "$prefix/.kestrivo-ready" ] && return 0
  echo "creating the Wine prefix $prefix (once, about 15 s)" >&2
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  WINEPREFIX=$prefix env -u DISPLAY "$WINE_LOADER" wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX=$prefix env -u DISPLAY "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' \
    /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  WINEPREFIX=$prefix "$WINE_SERVER" -w
  [ -f "$prefix/system.reg" ] || { echo "wineboot failed for $prefix" >&2; return 1; }
  touch "$prefix/.kestrivo-ready"
}

# Starts a wineserver that lives for the whole session, on the current DISPLAY,
# and the Wine desktop once; later programs then start quickly and do not leave
# helper processes holding a test's output open.
wine_session_begin() {
  "$WINE_SERVER" -k 2>/dev/null || true
  "$WINE_SERVER" -w
  "$WINE_SERVER" -p
  "$WINE_LOADER" cmd /c exit >/dev/null 2>&1 || true
}

wine_session_end() {
  "$WINE_SERVER" -k 2>/dev/null || true
  "$WINE_SERVER" -w
}
