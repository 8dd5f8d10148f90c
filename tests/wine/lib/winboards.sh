# What the Wine stages share: the checks' PASS and FAIL lines, the zip
# unpacked as a data folder, Windows and Linux boards started side by side
# and found on the display, and text read back from a window.
BIN=$LINUX_BUILD/bin
BOARD=$LINUX_BUILD/board
ARTIFACTS=${ARTIFACTS:-$WIN_BUILD/wine-artifacts}
source "$SRC/tests/e2e/e2elib.sh"
# Checks report themselves and the stage fails at the end, so one fault does
# not hide the next.
set +e
failures=0
pass() { echo "PASS: $*"; }
flunk() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else flunk "$what"; fi; }

ZIP=$(ls "$WIN_BUILD"/SchedBoard-*-win64.zip 2>/dev/null | head -n1)
[ -f "$ZIP" ] || fail "no zip in $WIN_BUILD"
export QT_QPA_PLATFORM=xcb

# A data folder that is the zip unpacked, as an office does on its share.
win_folder() {
    local dir="$E2E_TMP/$1"
    mkdir -p "$dir"
    python3 -m zipfile -e "$ZIP" "$dir" || fail "cannot unpack $ZIP"
    echo "$dir"
}

# Starts the Windows board of a folder; prints the pid of its wine process,
# which is the board itself (killing it kills just that board). Qt for
# Windows reads QT_QPA_PLATFORM too, and has no xcb.
start_win_board() {
    env -u QT_QPA_PLATFORM wine "$1/SchedBoard.exe" >>"$E2E_TMP/wine.log" 2>&1 &
    local pid=$!
    track $pid
    echo $pid
}

# The main window of a process under Wine or on Linux: the widest visible one.
main_window() {
    local pid=$1 seconds=${2:-30} w end=$((SECONDS + ${2:-30}))
    while [ $SECONDS -lt $end ]; do
        w=$(xdotool search --all --onlyvisible --pid "$pid" --name . 2>/dev/null | while read -r id; do
                g=$(xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ {print $2}')
                [ "${g%x*}" -ge 700 ] 2>/dev/null && echo "$id"
            done | head -n1)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}

start_board_kind() {   # KIND DIR LEFT TOP: prints "pid window"
    local kind=$1 dir=$2 left=$3 top=$4 pid w
    place_next_board "$dir" "$left" "$top"
    if [ "$kind" = win ]; then pid=$(start_win_board "$dir"); else pid=$(start_board "$dir"); fi
    w=$(main_window "$pid" 60)
    # With Wine's clients coming and going, an X server that resets when its
    # last client leaves dropped a Linux board connecting just then, and its
    # xcb plugin failed to come up; wintest.sh now runs Xvfb with -noreset.
    # Should it happen all the same, the board gets one more go.
    if [ -z "$w" ] && [ "$kind" = linux ] && grep -q 'Could not load the Qt platform plugin' "$E2E_TMP/board.log"; then
        echo "      the Linux board's xcb plugin did not come up: started again" >&2
        : > "$E2E_TMP/board.log"
        pid=$(start_board "$dir")
        w=$(main_window "$pid" 60)
    fi
    if [ -z "$w" ]; then
        tail -n 5 "$E2E_TMP/board.log" "$E2E_TMP/wine.log" >&2
        fail "no $kind board window for pid $pid"
    fi
    # Wine puts the client area below where a caption would be, though it
    # draws none without a window manager.
    at() { local x y; read -r x y < <(window_origin "$w"); [ "$x" = "$left" ] && [ "$y" -ge "$top" ] && [ "$y" -le $((top + 40)) ]; }
    wait_for 10 at || fail "$kind board opened at $(window_origin "$w")"
    sleep 0.5
    echo "$pid $w"
}

stop_board() {
    kill "$1" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$1" 2>/dev/null
}

# Text read back from a window: ImageMagick crops and enlarges, tesseract
# reads. ocr WINDOW [WxH+X+Y]
ocr() {
    import -window "$1" "$E2E_TMP/ocr.png" 2>/dev/null || return 1
    /usr/bin/convert "$E2E_TMP/ocr.png" ${2:+-crop "$2" +repage} -resize 300% -colorspace Gray "$E2E_TMP/ocr-big.png"
    tesseract "$E2E_TMP/ocr-big.png" - 2>/dev/null | tr -s ' \n' ' '
}
