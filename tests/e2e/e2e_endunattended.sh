#!/usr/bin/env bash
# The board is ended while an update runs and nobody can answer: the edit is
# saved, the lock file deleted, and the board ends.
#   sigterm  the desktop session ends by SIGTERM
#   xloss    the display goes away (the X server dies, a remote desktop
#            ends), and Qt ends the process at once
source "$(dirname "$0")/e2elib.sh"
how=${1:?sigterm or xloss}

board_in_update_with_menu 4
keys Down Down Down Down Down Return Escape
expected=$(first_value "$dir/colfiles/Trailer.scd")

case "$how" in
    sigterm) kill -TERM "$pid" ;;
    xloss) kill -KILL "$XVFB_PID" ;;
    *) fail "unknown way to end: $how" ;;
esac
wait_for "$E2E_DEADLINE" bash -c "! kill -0 $pid 2>/dev/null" || fail "the board did not end ($how)"
grep -q "^$expected"$'\r'"\$" "$dir/gsystem/sgrid.scd" || fail "the edit '$expected' was not saved ($how)"
if ls "$dir"/lock*.scd >/dev/null 2>&1; then fail "the lock file was left behind ($how)"; fi
