#!/usr/bin/env bash
# make demo: builds nothing itself (make builds the exe first), then runs a whole install under
# Wine on a virtual display against a local download host (tools/demo.py). Needs root for the
# network namespace; cleans up after itself.
set -euo pipefail
cd "$(dirname "$0")/.."
exec /usr/bin/python3 tools/demo.py "${VORNE_BUILD_DIR:-build/mingw}"
