# Sourced by the scripts that run Windows programs under Wine. Sets up one 32-bit prefix under
# the build folder (created on first use, then reused) and the environment that points at it.
# The prefix is the project's own: nothing here touches the user's ~/.wine.
: "${VORNE_BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINEPREFIX="${WINEPREFIX:-$VORNE_BUILD_DIR/wine-prefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

vorne_wine_prefix() {
  local stamp="$WINEPREFIX/.vorne-ready"
  [ -f "$stamp" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1 || return 1
  # Without a window manager Wine waits about 2 s for a managed window to be withdrawn when it is
  # destroyed; unmanaged windows end at once.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$stamp"
}
