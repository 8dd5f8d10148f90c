#!/usr/bin/env bash
# Writes app/startcode.order: the code sections of the functions the board
# runs from its start to its first idle moments, in the order they first ran,
# for the Linux link to lay out together. Made from a profile (callgrind) of
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
# board's timers, which run all day and belong with the start's code.
(cd "$tmp/board" && timeout -s INT "${SECONDS_TO_PROFILE:-20}" valgrind --tool=callgrind --demangle=no \
    --compress-strings=no --callgrind-out-file="$tmp/profile" ./SchedBoard >/dev/null 2>&1) || true
[ -s "$tmp/profile" ] || { echo "callgrind wrote no profile" >&2; exit 1; }

python3 - "$tmp/profile" "$SRC/app/startcode.order" <<'PY'
import re, sys

profile, out = sys.argv[1], sys.argv[2]
names, obj = [], None
for line in open(profile):
    if line.startswith("ob="):
        obj = line[3:].strip()
    elif line.startswith("fn=") and obj and obj.endswith("/SchedBoard"):
        name = line[3:].strip().split("'")[0]   # "'2": a recursion level
        if re.match(r"^[_A-Za-z]", name) and name not in names:
            names.append(name)

sections = []
def add(section):
    if section not in sections:
        sections.append(section)
for name in names:
    if name.endswith(".cold"):   # the unlikely part of a function, split off by the compiler
        add(".text.unlikely." + name[:-5])
        continue
    prefix = ".text.startup." if name == "main" or name.startswith("_GLOBAL__sub_I_") else ".text."
    add(prefix + name)
    # A constructor's or destructor's complete-object symbol is an alias of
    # its base-object one, whose name the section carries.
    for alias, base in (("C1E", "C2E"), ("D1E", "D2E")):
        if alias in name:
            add(prefix + name.replace(alias, base, 1))

with open(out, "w") as f:
    f.write("# Made by scripts/makestartcodeorder.sh; the link reads it (app/CMakeLists.txt).\n")
    f.write("\n".join(sections) + "\n")
    f.write("# Then every other function, in the link's usual order.\n.text.*\n")
print("%d sections of %d functions written to %s" % (len(sections), len(names), out))
PY
