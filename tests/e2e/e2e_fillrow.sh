#!/usr/bin/env bash
# A dispatcher's row: Update, a left click on the first empty cell, a right
# click, then one pick per column while each next menu opens by itself; the
# row is coloured from the Ctrl + right-click menu and Update released.
# sgrid.scd and its colour file must hold exactly the picks and the colour.
source "$(dirname "$0")/e2elib.sh"

row=4
board_in_update_with_menu $row
expected=()
for title in Trailer Product Consignor Consignee Date; do
    file="$dir/colfiles/$title.scd"
    expected+=("$(first_value "$file")")
    # Down from the head to the first value: head, UPDATE OFF, SKIP CELL,
    # CLEAR CELL, then DATE/TIME where the file asks for it.
    downs=5
    grep -qx $'&Date\r\\?' "$file" && downs=6
    for _ in $(seq $downs); do xdotool key Down; done
    keys Return
done

# Colour the row green: the second menu column, sixth item.
click "$w" "$TRAILER_X" "$y" 1
read -r ox oy < <(window_origin "$w")
xdotool mousemove $((ox + TRAILER_X)) $((oy + y)) sleep 0.1 keydown ctrl click 3 keyup ctrl
sleep 0.3
keys Down Right Down Down Down Down Down Return
sleep 0.3
shot "$w" "$ARTIFACTS/fillrow_coloured.png"
click "$w" "$ux" "$uy"
# The release saves when its click is handled: on a busy machine a moment later.
colour_saved() { [ "$(line_of "$dir/gsystem/gclrsgrid.scd" $row)" = 5 ]; }
wait_for "$E2E_DEADLINE" colour_saved || true

grid="$dir/gsystem/sgrid.scd"
cols=$(line_of "$grid" 1)
rows=$(line_of "$grid" 2)
for c in 1 2 3 4 5; do
    got=$(line_of "$grid" $((3 + c * rows + row)))
    [ "$got" = "${expected[$((c - 1))]}" ] || fail "column $c of row $row holds '$got', not '${expected[$((c - 1))]}'"
done
[ "$cols" -eq 6 ] || fail "sgrid.scd has $cols columns"
[ "$(line_of "$dir/gsystem/gclrsgrid.scd" $row)" = 5 ] || fail "row $row has colour $(line_of "$dir/gsystem/gclrsgrid.scd" $row), not Green (5)"
[ "$(line_of "$dir/gsystem/gclrsgrid.scd" 1)" = 1 ] || fail "row 1 lost its colour"
