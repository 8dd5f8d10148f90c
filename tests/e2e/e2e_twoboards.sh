#!/usr/bin/env bash
# Two real boards on one data folder: A edits, B is told the board is busy
# and lights its lamp; when A releases Update, B's lamp goes out within one
# waiting tick and B shows A's change.
source "$(dirname "$0")/e2elib.sh"

start_x
dir=$(make_board_folder)
read -r pid_a wa < <(start_board_at "$dir" 0 0)
read -r pid_b wb < <(start_board_at "$dir" 0 650)

read -r ux uy < <(update_button_xy)
read -r lx ly <<<"$LED_XY"
# Conditions that wait_for polls: functions, so they are evaluated anew each time.
a_updating() { ls "$dir"/lock*.scd >/dev/null 2>&1 && [ "$(tr -d '\r' < "$dir/users/curuser.scd" | wc -l)" -eq 2 ]; }
b_shows_box() { [ -n "$(message_box "$pid_b")" ]; }
b_box_closed() { [ -z "$(message_box "$pid_b")" ]; }
b_lamp_lit() { is_red "$(pixel "$wb" "$lx" "$ly")"; }
b_lamp_out() { ! b_lamp_lit; }

click "$wa" "$ux" "$uy"
wait_for "$E2E_DEADLINE" a_updating || fail "A made no lock file or did not write curuser.scd"

click "$wb" "$ux" "$uy"
wait_for "$E2E_DEADLINE" b_shows_box || fail "B showed no busy message"
box=$(message_box "$pid_b")
wait_for "$E2E_DEADLINE" b_lamp_lit || fail "B's lamp is not lit: $(pixel "$wb" "$lx" "$ly")"
xdotool windowfocus --sync "$box" key Return
wait_for "$E2E_DEADLINE" b_box_closed || fail "the busy message did not close"
b_lamp_lit || fail "B's lamp went out while A still edits"

# A fills the Trailer cell of the empty row 4 from its column menu.
y=$(cell_y 4)
click "$wa" "$TRAILER_X" "$y" 1
click "$wa" "$TRAILER_X" "$y" 3
keys Down Down Down Down Down Return
keys Escape
click "$wa" "$ux" "$uy"
# Counted from A's save, not from the click: a loaded machine may take a
# while to handle the click, but B's waiting poll runs every 3 s.
expected=$(first_value "$dir/colfiles/Trailer.scd")
a_saved() { grep -q "^$expected"$'\r'"\$" "$dir/gsystem/sgrid.scd"; }
wait_for "$E2E_DEADLINE" a_saved || fail "A's pick '$expected' is not in sgrid.scd"
released=$SECONDS

wait_for "$E2E_DEADLINE" b_lamp_out || fail "B's lamp is still lit"
[ $((SECONDS - released)) -le 4 ] || fail "B's lamp went out only after $((SECONDS - released)) s"
same_grid() {
    import -window "$wa" -crop 700x220+0+40 "$E2E_TMP/a.png" 2>/dev/null
    import -window "$wb" -crop 700x220+0+40 "$E2E_TMP/b.png" 2>/dev/null
    [ "$(compare -metric AE "$E2E_TMP/a.png" "$E2E_TMP/b.png" null: 2>&1)" = 0 ]
}
wait_for "$E2E_DEADLINE" same_grid || fail "B does not show A's change"
shot "$wb" "$ARTIFACTS/twoboards_b.png"
