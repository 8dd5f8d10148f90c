#!/bin/bash
# The build's board folder is what an installer copies to a share: the board,
# its sound module and, once `make run` prepared it, the data folder's
# content, nothing else (no test program or benchmark).
#   boardfoldercheck.sh <board folder> <source dir>
set -euo pipefail
BOARD=$1
SRC=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$BOARD/SchedBoard" ] || fail "no SchedBoard in $BOARD"
[ -f "$BOARD/libsb_sound.so" ] || fail "no sound module in $BOARD"
[ -f "$BOARD/libsb_print.so" ] || fail "no printing module in $BOARD"
# guard.scd is made by the first press of Update, as the lock files are.
allowed=" SchedBoard libsb_sound.so libsb_print.so Schedboard.ini guard.scd $(cd "$SRC/data" && ls -A | tr '\n' ' ') "
for f in "$BOARD"/* "$BOARD"/.[!.]*; do
    [ -e "$f" ] || continue
    name=$(basename "$f")
    case "$allowed" in *" $name "*) continue ;; esac
    case "$name" in lock*.scd) continue ;; esac
    fail "$name does not belong in the board folder"
done
echo "board folder holds only the board, its sound module and data"
