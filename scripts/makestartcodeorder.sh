#!/usr/bin/env bash
# Writes app/startcode.order: the code sections of the functions the board
# runs from its start to its first idle moments, for the Linux link to lay
# out together (scripts/startcode.py). Made from a profile (callgrind) of
# the start benchmark's schedule under a private Xvfb. Run it after a change
# that moves much of the start's work, then relink and compare with
# bench_startup.sh.
#   makestartcodeorder.sh [BUILD_DIR]
set -euo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$SRC/build}" && pwd)
BOARD="$BUILD/board"
[ -x "$BOARD/SchedBoard" ] || { echo "no $BOARD/SchedBoard: build first" >&2; exit 1; }
command -v valgrind >/dev/null || { echo "valgrind is needed" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
Xvfb -displayfd 3 -screen 0 1400x1100x24 -nolisten tcp 3>"$tmp/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$tmp/display")" QT_QPA_PLATFORM=xcb

mkdir "$tmp/board"
cp -r "$SRC/data/." "$tmp/board/"
cp "$BOARD/SchedBoard" "$tmp/board/"
python3 "$SRC/bench/app/benchschedule.py" "$tmp/board/gsystem"
# Under callgrind the first paint takes a few seconds; the rest is the idle
# board's timers, which run all day and belong with the start's code. A
# profile that misses the first paint or poll is refused (scripts/startcode.py).
(cd "$tmp/board" && timeout -s INT "${SECONDS_TO_PROFILE:-20}" valgrind --tool=callgrind --demangle=no \
    --compress-strings=no --callgrind-out-file="$tmp/profile" ./SchedBoard >/dev/null 2>&1) || true
[ -s "$tmp/profile" ] || { echo "callgrind wrote no profile" >&2; exit 1; }

python3 "$SRC/scripts/startcode.py" make "$tmp/profile" "$SRC/app/startcode.order"
