#!/usr/bin/env bash
# Compiles the given sources for Windows with Debian's mingw-w64 cross
# compiler against the installed Qt headers, syntax only: the Windows files
# cannot be built here, but a misspelt call or a missing include still shows.
# Usage: wincheck.sh <source root> <file>...
set -uo pipefail
root=$1; shift
cxx=x86_64-w64-mingw32-g++-posix
command -v "$cxx" >/dev/null || { echo "$cxx is missing (package g++-mingw-w64-x86-64-posix)"; exit 1; }
qt=/usr/include/x86_64-linux-gnu/qt6
flags=(-std=c++20 -fsyntax-only -Wall -Wextra -Wno-attributes -I"$root" -I"$qt" -I"$qt/QtCore" -I"$qt/QtGui" -I"$qt/QtWidgets"
       -DQT_NO_VERSION_TAGGING -DQT_USE_QSTRINGBUILDER -DQT_NO_CAST_TO_ASCII -DQT_NO_FOREACH)
export cxx
printf '%s\n' "$@" | xargs -P2 -I{} sh -c '"$cxx" "$@" {} 2>&1 || echo "FAILED: {}"' sh "${flags[@]}" > wincheck.log
cat wincheck.log
! grep -q '^FAILED' wincheck.log
