# The scripts' shared start (and the test scripts' Windows paths); sourced, not run.
lib_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Windows need an X display: re-runs the calling script on a private Xvfb
# display, with TAMSEL_IN_DISPLAY set so that the second run goes on past its
# build steps. Usage: in_display || rerun_in_display "$0" "$@"
in_display() { [[ -n ${TAMSEL_IN_DISPLAY:-} ]]; }
rerun_in_display() { TAMSEL_IN_DISPLAY=1 exec xvfb-run -a -s '-screen 0 1280x1024x24' "$@"; }

# A fresh Wine prefix in <dir> whose wineserver stops when the script exits.
# Run it on the display that the prefix's programs will use.
fresh_wine_prefix() {
  wine_prefix=$(realpath -m "$1")
  bash "$lib_scripts/wine-prefix.sh" "$wine_prefix"
  trap 'WINEPREFIX="$wine_prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
}

# The Windows path (Z: drive) of a Linux path.
winpath() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }
