#!/usr/bin/env bash
# The display goes away (the X server dies, a remote desktop ends) while an
# update runs: Qt ends the process at once, but the edit is saved and the
# lock file deleted all the same.
source "$(dirname "$0")/e2elib.sh"

board_in_update_with_menu 4
keys Down Down Down Down Down Return Escape
expected=$(first_value "$dir/colfiles/Trailer.scd")

kill -KILL "$XVFB_PID"
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null" || fail "the board did not end without its display"
grep -q "^$expected"$'\r'"\$" "$dir/gsystem/sgrid.scd" || fail "the edit '$expected' was not saved"
if ls "$dir"/lock*.scd >/dev/null 2>&1; then fail "the lock file was left behind"; fi
