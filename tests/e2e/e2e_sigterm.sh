#!/usr/bin/env bash
# The desktop session ends by SIGTERM while an update runs and nobody can
# answer: the edit is saved, the lock file deleted, and the board ends.
source "$(dirname "$0")/e2elib.sh"

board_in_update_with_menu 4
keys Down Down Down Down Down Return Escape
expected=$(first_value "$dir/colfiles/Trailer.scd")

kill -TERM "$pid"
wait_for 10 bash -c "! kill -0 $pid 2>/dev/null" || fail "the board did not end on SIGTERM"
grep -q "^$expected"$'\r'"\$" "$dir/gsystem/sgrid.scd" || fail "the edit '$expected' was not saved"
if ls "$dir"/lock*.scd >/dev/null 2>&1; then fail "the lock file was left behind"; fi
