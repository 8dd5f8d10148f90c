#!/usr/bin/env python3
"""Writes the start benchmark's schedule into a gsystem folder: 30 columns,
254 data rows, every row coloured.

    benchschedule.py GSYSTEM_FOLDER
"""
import sys

cols, rows = 30, 255
lines = [str(cols), str(rows)]
for c in range(cols):
    for r in range(rows):
        lines.append(("Title %d" % c) if r == 0 else ("R%d C%d value" % (r, c)))
open(sys.argv[1] + "/sgrid.scd", "wb").write(("\r\n".join(lines) + "\r\n").encode())
open(sys.argv[1] + "/gclrsgrid.scd", "wb").write(("".join("%d\r\n" % (r % 12) for r in range(1, rows))).encode())
