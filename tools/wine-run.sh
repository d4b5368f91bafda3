#!/usr/bin/env bash
# Runs a Windows console program under the project's Wine prefix and passes on its output and
# exit code. The output goes through a file: Wine's background processes can keep a pipe open.
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tools/wine-env.sh
. "$here/wine-env.sh"
vorne_wine_prefix || { echo "wine-run: could not create the prefix $WINEPREFIX" >&2; exit 1; }
out=$(mktemp)
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
