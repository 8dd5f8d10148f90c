# Shared pieces of the end-to-end tests: a private Xvfb, a data folder with
# its own copy of the board, clicks at window coordinates, screenshots.
# Sourced by the test scripts; BOARD (the built board's folder), BIN (the
# test programs' folder) and SRC (the source tree) come from CTest.
set -euo pipefail

E2E_TMP=$(mktemp -d)
# The boards keep their window places in the user's own settings: a test's own.
export XDG_CONFIG_HOME="$E2E_TMP/config"
ARTIFACTS=${ARTIFACTS:-$BIN/../e2e-artifacts}
mkdir -p "$ARTIFACTS"

# Every process a test starts, also from subshells, is ended with it: the
# newest first, so that boards end before their X server, and each given a
# few seconds, so that a sanitizer build can write its report at exit.
track() { echo "$1" >> "$E2E_TMP/pids"; }
cleanup() {
    local status=$? pids p
    pids=$(tac "$E2E_TMP/pids" 2>/dev/null || true)
    for p in $pids; do
        kill "$p" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$p" 2>/dev/null || true
    done
    # The boards' exit status is out of reach (they are started from
    # subshells): a sanitizer build's report in their log fails the test.
    if grep -qE '^==[0-9]+==ERROR: |^SUMMARY: [A-Za-z]*Sanitizer|: runtime error: ' "$E2E_TMP/board.log" 2>/dev/null; then
        echo "FAIL: sanitizer report from a board:" >&2
        cat "$E2E_TMP/board.log" >&2
        status=1
    fi
    rm -rf "$E2E_TMP"
    exit "$status"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# How long a test waits for what a loaded machine (or a sanitizer build) may
# be slow to do: a display to answer, a board to start or to end.
E2E_DEADLINE=${E2E_DEADLINE:-60}

# A private X server on a display number nobody uses (-displayfd: Xvfb takes
# the first free one and writes it out once it accepts connections).
# -noreset: by default an X server resets when its last client disconnects
# and drops any client that connects meanwhile. The window searches below
# connect and disconnect while a board is still starting, so under load the
# board's own connection fell into such a reset and it ended with "could not
# connect to display".
start_x() {
    local fdfile="$E2E_TMP/display"
    Xvfb -displayfd 3 -noreset -screen 0 1400x1300x24 -nolisten tcp 3>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    track $XVFB_PID
    numbered() { [ -s "$fdfile" ] || ! kill -0 "$XVFB_PID" 2>/dev/null; }
    wait_for "$E2E_DEADLINE" numbered && [ -s "$fdfile" ] || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
    export DISPLAY=":$(head -n1 "$fdfile")"
    export QT_QPA_PLATFORM=xcb
    answers() { xdotool getdisplaygeometry >/dev/null 2>&1; }
    wait_for "$E2E_DEADLINE" answers || fail "display $DISPLAY does not answer: $(cat "$E2E_TMP/xvfb.log")"
}

# Why a board is not there: its log's end, and whether the X server still runs.
board_trouble() {
    kill -0 "$XVFB_PID" 2>/dev/null || echo "the X server ended: $(cat "$E2E_TMP/xvfb.log")"
    tail -n 5 "$E2E_TMP/board.log" 2>/dev/null
}

# A data folder from the installation data with the board beside it.
make_board_folder() {
    local dir="$E2E_TMP/${1:-board}"
    mkdir -p "$dir"
    cp -r "$SRC/data/." "$dir/"
    cp "$BOARD/SchedBoard" "$BOARD/libsb_sound.so" "$BOARD/libsb_print.so" "$dir/"
    echo "$dir"
}

# Starts the board of a folder; prints its pid.
start_board() {
    "$1/SchedBoard" >>"$E2E_TMP/board.log" 2>&1 &
    local pid=$!
    track $pid
    echo $pid
}

# The board's main window of a process (the newest one with that pid), once
# it is mapped.
board_window() {
    local pid=$1 w end=$((SECONDS + E2E_DEADLINE))
    while [ $SECONDS -lt $end ]; do
        w=$(xdotool search --all --onlyvisible --pid "$pid" --class SchedBoard 2>/dev/null | while read -r id; do
                g=$(xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ {print $2}')
                [ "${g%x*}" -ge 700 ] 2>/dev/null && echo "$id"
            done | head -n1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        kill -0 "$pid" 2>/dev/null || fail "the board (pid $pid) ended before its window showed: $(board_trouble)"
        sleep 0.1
    done
    fail "no board window for pid $pid: $(board_trouble)"
}

window_origin() {   # prints "x y"
    xdotool getwindowgeometry "$1" | awk '/Position/ {split($2, a, ","); print a[1], a[2]}'
}

# click WINDOW X Y [BUTTON]: a click at window coordinates.
click() {
    local w=$1 x=$2 y=$3 button=${4:-1}
    read -r ox oy < <(window_origin "$w")
    # No --sync: it waits for a motion that never comes when the pointer is there already.
    xdotool mousemove $((ox + x)) $((oy + y)) sleep 0.1 click "$button"
    sleep 0.3
}

keys() { xdotool key --delay 60 "$@"; sleep 0.3; }

# pixel WINDOW X Y: prints "r g b" of a window pixel.
pixel() {
    local w=$1 x=$2 y=$3
    import -window "$w" "$E2E_TMP/px.png" 2>/dev/null
    /usr/bin/convert "$E2E_TMP/px.png" -crop "1x1+$x+$y" -depth 8 txt:- \
        | awk 'NR==2 {gsub(/[()]/, "", $2); split($2, c, ","); print int(c[1]), int(c[2]), int(c[3])}'
}

shot() { import -window "$1" "$2" 2>/dev/null; }

# Waits until a condition command succeeds, for up to $1 seconds.
wait_for() {
    local seconds=$1; shift
    local end=$((SECONDS + seconds))
    while ! "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.2
    done
}

line_of() { sed -n "${2}p" "$1" | tr -d '\r'; }

# Toolbar points in window coordinates: panel left + half the button.
update_button_xy() { echo "75 20"; }
quit_button_xy() { local w=$1; read -r width _ < <(xdotool getwindowgeometry "$w" | awk '/Geometry/ {split($2, a, "x"); print a[1], a[2]}'); echo "$((1 + (width - 2) - 120 + 40)) 20"; }

# Grid points of the installation data's sample at its default font and
# row height: row r's centre line and a point inside the Trailer column.
cell_y() { echo $((48 + 19 * $1)); }
TRAILER_X=30
LED_XY="128 20"

# The board's own message box (its caption is the application name).
message_box() {
    local pid=$1
    xdotool search --all --onlyvisible --pid "$pid" --name '^SchedBoard$' 2>/dev/null | head -n1
}

is_red() { local r g b; read -r r g b <<<"$1"; [ "$r" -gt 150 ] && [ "$g" -lt 110 ] && [ "$b" -lt 110 ]; }

# The first value a column menu file offers (the grammar's first value line).
first_value() {
    tr -d '\r' < "$1" | grep -v '&Date' | head -n1 | sed 's/&break.*//'
}

# Where the next board started on this folder opens: lines 10 and 11 of
# parm.scd (top, left). Moving a window after it opened races with the board
# placing itself.
place_next_board() {
    local dir=$1 left=$2 top=$3
    awk -v top="$top" -v left="$left" 'BEGIN {ORS="\r\n"} {sub(/\r$/, "")} NR==10 {$0=top} NR==11 {$0=left} {print}' \
        "$dir/gsystem/parm.scd" > "$dir/gsystem/parm.tmp" && mv "$dir/gsystem/parm.tmp" "$dir/gsystem/parm.scd"
}

# Starts a board that opens at (left, top) and prints its window once it is there.
start_board_at() {
    local dir=$1 left=$2 top=$3 pid w
    place_next_board "$dir" "$left" "$top"
    pid=$(start_board "$dir")
    w=$(board_window "$pid")
    at() { [ "$(window_origin "$w")" = "$left $top" ]; }
    wait_for "$E2E_DEADLINE" at || fail "board opened at $(window_origin "$w")"
    echo "$pid $w"
}

# A board on a fresh data folder with an update running and the Trailer cell
# of row $1 focused and its column menu open. Sets dir, pid, w, ux, uy, y.
board_in_update_with_menu() {
    start_x
    dir=$(make_board_folder)
    read -r pid w < <(start_board_at "$dir" 0 0)
    read -r ux uy < <(update_button_xy)
    click "$w" "$ux" "$uy"
    has_lock_file() { ls "$dir"/lock*.scd >/dev/null 2>&1; }
    wait_for "$E2E_DEADLINE" has_lock_file || fail "no lock file during the update"
    y=$(cell_y "$1")
    click "$w" "$TRAILER_X" "$y" 1
    click "$w" "$TRAILER_X" "$y" 3
}
