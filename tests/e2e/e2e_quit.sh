#!/usr/bin/env bash
# The real board starts from its data folder, shows its window, and Quit
# ends it after rewriting the preferences with the window's new size.
source "$(dirname "$0")/e2elib.sh"

start_x
dir=$(make_board_folder)
before=$(stat -c %Y "$dir/gsystem/parm.scd")
sleep 1   # stamps in whole seconds: a rewrite must show as a later one
pid=$(start_board "$dir")
w=$(board_window "$pid")
# The board handles its X events in order: the resize before the click below.
xdotool windowsize --sync "$w" 900 600
# Its pictures (toolbar, lamp, window icon) need no image format plugin.
if grep -q '/imageformats/' "/proc/$pid/maps"; then fail "the start loaded an image format plugin"; fi
read -r qx qy < <(quit_button_xy "$w")
click "$w" "$qx" "$qy"
wait_for "$E2E_DEADLINE" bash -c "! kill -0 $pid 2>/dev/null" || fail "the board did not end after Quit"

parm="$dir/gsystem/parm.scd"
[ "$(stat -c %Y "$parm")" -gt "$before" ] || fail "parm.scd was not rewritten"
[ "$(wc -l < "$parm")" -eq 14 ] || fail "parm.scd has $(wc -l < "$parm") lines"
grep -q $'\r$' "$parm" || fail "parm.scd lost its CR LF line ends"
[ "$(line_of "$parm" 8)" = 900 ] || fail "width line is '$(line_of "$parm" 8)', not 900"
[ "$(line_of "$parm" 9)" = 600 ] || fail "height line is '$(line_of "$parm" 9)', not 600"
[ "$(line_of "$parm" 12)" = "RYX Scheduling" ] || fail "title line changed"
[ "$(line_of "$parm" 1 | wc -c)" -eq 18 ] || fail "flag line is not 17 characters"
if ls "$dir"/lock*.scd >/dev/null 2>&1; then fail "the lock file was left behind"; fi
