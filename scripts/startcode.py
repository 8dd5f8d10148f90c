#!/usr/bin/env python3
"""The list of the code a start runs (app/startcode.order), which the Linux
link lays out first.

    startcode.py make PROFILE ORDER_FILE   the list from a callgrind profile
                                           (callgrind's --demangle=no and
                                           --compress-strings=no)
    startcode.py check ORDER_FILE BOARD [--laid-out]
                                           how much of the list a built board
                                           has, and over how much code it lies;
                                           with --laid-out, exit 1 when the
                                           link did not lay it out together
"""
import re
import subprocess
import sys

# What a whole profile has run: the grid's painting, then a viewer's poll of
# the schedule, which an idle board runs all day. A profile without either
# ended too early (a board that stopped, or too short a time on a slow
# machine) and lacks start code.
MUST_HAVE_RUN = ("_ZNK12CellDelegate5paintE", "_ZN14SessionControl10onPollTickEv")
HEADER = "# Made by scripts/makestartcodeorder.sh; the link reads it (app/CMakeLists.txt).\n"
TRAILER = "# Then every other function, in the link's usual order.\n.text.*\n"
# Where the compiler puts a function of each kind, with -ffunction-sections.
COLD, STARTUP, PLAIN = ".text.unlikely.", ".text.startup.", ".text."


def profiled_functions(profile_lines, program):
    """The program's functions that ran, sorted by name: all of them run at
    every start, so their order within the list matters little, and sorted
    the list stays the same from one profile to the next (callgrind writes
    its functions in an order of its own)."""
    names, obj = [], None
    for line in profile_lines:
        if line.startswith("ob="):
            obj = line[3:].strip()
        elif line.startswith("fn=") and obj and obj.endswith("/" + program):
            name = line[3:].strip().split("'")[0]   # "'2": a recursion level
            if re.match(r"^[_A-Za-z]", name) and name not in names:
                names.append(name)
    return sorted(names)


def sections(names):
    """The code sections that hold these functions."""
    out = []

    def add(section):
        if section not in out:
            out.append(section)

    for name in names:
        if name.endswith(".cold"):   # the unlikely part, split off by the compiler
            add(COLD + name[:-len(".cold")])
            continue
        prefix = STARTUP if name == "main" or name.startswith("_GLOBAL__sub_I_") else PLAIN
        add(prefix + name)
        # A complete-object constructor or destructor is an alias of the
        # base-object one, whose name the section carries.
        for alias, base in (("C1E", "C2E"), ("D1E", "D2E")):
            if alias in name:
                add(prefix + name.replace(alias, base, 1))
    return out


def functions(section_lines):
    """The symbol names of the functions a list of sections names."""
    out = []
    for line in section_lines:
        line = line.strip()
        if not line or line.startswith("#") or line.endswith("*"):
            continue
        for prefix, suffix in ((COLD, ".cold"), (STARTUP, ""), (PLAIN, "")):
            if line.startswith(prefix):
                out.append(line[len(prefix):] + suffix)
                break
    return out


def layout(listed, symbols):
    """(found, span, size): how many listed functions the symbol table
    {name: (address, size)} has, the bytes from the first to the end of the
    last, and their own bytes."""
    found = {symbols[name] for name in listed if name in symbols}
    if not found:
        return 0, 0, 0
    span = max(a + n for a, n in found) - min(a for a, n in found)
    return sum(name in symbols for name in listed), span, sum(n for a, n in found)


def laid_out(found, span, size):
    """Whether listed functions lie together: within twice their own size
    (alignment, and what a build has dropped from between them), and at
    least one of them found."""
    return found > 0 and span <= 2 * size + 64 * 1024


def symbol_table(program):
    out = subprocess.run(["nm", "-S", "--defined-only", program], capture_output=True, text=True, check=True).stdout
    table = {}
    for line in out.splitlines():
        parts = line.split()
        if len(parts) == 4:
            table[parts[3]] = (int(parts[0], 16), int(parts[1], 16))
    return table


def main(argv):
    if len(argv) == 3 and argv[0] == "make":
        with open(argv[1]) as f:
            names = profiled_functions(f, "SchedBoard")
        if not all(any(name.startswith(must) for name in names) for must in MUST_HAVE_RUN):
            print("the profile ends before the board's first paint and poll (a board that stopped early, or too "
                  "short a profile: see SECONDS_TO_PROFILE): %s is left as it was" % argv[2], file=sys.stderr)
            return 1
        listed = sections(names)
        with open(argv[2], "w") as f:
            f.write(HEADER + "\n".join(listed) + "\n" + TRAILER)
        print("%d sections of %d functions written to %s" % (len(listed), len(names), argv[2]))
        return 0
    if len(argv) in (3, 4) and argv[0] == "check" and argv[3:] in ([], ["--laid-out"]):
        with open(argv[1]) as f:
            listed = functions(f)
        found, span, size = layout(listed, symbol_table(argv[2]))
        print("start code order: %d of the %d functions listed are in this build, laid out within %d KB "
              "(their own size %d KB)" % (found, len(listed), span // 1024, size // 1024))
        if argv[3:] and not laid_out(found, span, size):
            print("the listed start code is not laid out together: is the list still given to the link?")
            return 1
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
