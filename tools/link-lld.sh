#!/usr/bin/env bash
# Link launcher for the Windows program: runs the link that CMake composed for the MinGW g++ with
# LLVM's linker instead of GNU ld. GNU ld (binutils 2.40) leaves the PE's delay-import directory
# empty; lld writes a proper one. Each delay-import library made by tools/make-delay-lib.sh is
# swapped for a short import library of the same DLL (llvm-dlltool, from the same .def) and the
# DLL is named to lld with --delayload, so lld itself builds the delay-import table.
#   (CMake) tools/link-lld.sh <the C++ compiler> <one command of the link step...>
# CMake runs every command of the link step through the launcher (also its rm and ar); only the
# command that starts with the compiler is the link.
set -euo pipefail
compiler=$1
shift
if [[ $# -eq 0 || $1 != "$compiler" ]]; then
  exec "$@"
fi
shift
# The MinGW g++ was configured with a fixed path to GNU ld, so the link runs through clang's MinGW
# driver, pointed at g++'s own runtime libraries (libstdc++ and libgcc of the posix variant).
gcc_libs=$(dirname "$("$compiler" -print-libgcc-file-name)")

args=()
delayed=()
take() {
  local arg=$1
  if [[ $arg == *_delay.a && -f ${arg%.a}.def ]]; then
    local def=${arg%.a}.def
    local short=${arg%_delay.a}_import.a
    local dll
    dll=$(awk '$1 == "LIBRARY" { print $2 }' "$def")
    if [[ ! $short -nt $def ]]; then
      llvm-dlltool -m i386 -k -d "$def" -l "$short"
    fi
    args+=("$short")
    delayed+=("-Wl,--delayload=$dll")
  else
    args+=("$arg")
  fi
}
for arg in "$@"; do
  if [[ $arg == @* ]]; then
    # A CMake response file: whitespace-separated, no quoting in the paths of this build.
    read -r -a more <<<"$(tr '\n' ' ' <"${arg#@}")"
    for item in "${more[@]}"; do
      take "$item"
    done
  else
    take "$arg"
  fi
done
# The PE header's time stamp is the only thing that would differ between two builds of the same
# sources: it comes from SOURCE_DATE_EPOCH, or is fixed, so that the same settings always give the
# same bytes. The image binds no imports, so no loader check compares it.
epoch=${SOURCE_DATE_EPOCH:-0}
if [[ ! $epoch =~ ^[0-9]{1,10}$ ]] || ((10#$epoch > 4294967295)); then
  echo "link-lld.sh: SOURCE_DATE_EPOCH must be a number of seconds below 2^32: '$epoch'" >&2
  exit 1
fi
# Hardening, stated rather than left to the linker's defaults: relocatable (ASLR), never executes
# data, and NO_SEH: nothing in the image registers a frame-based exception handler (no code
# writes %fs:0 and there is no SafeSEH table), so none may be dispatched into it.
hardening=(-Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware -Wl,--no-seh)
# -lpthread as g++ of the posix thread model passes it: whatever of libstdc++ takes locks finds
# winpthreads (nothing of it is linked while nothing asks for it).
exec clang++ --target=i686-w64-mingw32 -fuse-ld=lld -L"$gcc_libs" "${args[@]}" "${delayed[@]}" \
  -lpthread "${hardening[@]}" "-Wl,--Xlink=/timestamp:$((10#$epoch))"
