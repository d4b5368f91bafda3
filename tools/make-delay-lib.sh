#!/usr/bin/env bash
# Makes a delay-import library for one system DLL, so the DLL is bound on first call (after the
# DLL search path has been restricted) instead of at load time.
#   make-delay-lib.sh <dll name> <mingw import library> <output .a>
set -euo pipefail
dll=$1 implib=$2 out=$3
triple=i686-w64-mingw32
def=${out%.a}.def
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  # Exported functions of the import library; i686 decorates C names with a leading underscore.
  "$triple-nm" -g --defined-only "$implib" | awk '$2 == "T" { print $3 }' \
    | sed -e 's/^_//' | sort -u
} >"$def"
"$triple-dlltool" -k -d "$def" -D "$dll" -y "$out"
