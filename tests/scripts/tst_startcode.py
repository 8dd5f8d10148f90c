#!/usr/bin/env python3
"""scripts/startcode.py: a profile becomes the sections the link lays out
first, and the checker reads those sections back as the same functions."""

import contextlib
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import startcode  # noqa: E402

PROFILE = """\
ob=/usr/lib/x86_64-linux-gnu/libQt6Core.so.6
fn=_ZN7QString6appendERKS_
ob=/tmp/board/SchedBoard
fn=main
fn=_GLOBAL__sub_I_mainwindow.cpp
fn=_ZN10MainWindowC1Ev
fn=_ZN10MainWindow5eventEP6QEvent'2
fn=_ZN10MainWindow5eventEP6QEvent
fn=0x000000000003e280
fn=(below main)
fn=_ZN12_GLOBAL__N_17failureEv.cold
fn=_ZN4GridD1Ev
fn=_Z10readCountsRi.constprop.0
fn=_ZNK12CellDelegate5paintEP8QPainterRK20QStyleOptionViewItemRK11QModelIndex
fn=_ZN14SessionControl10onPollTickEv
ob=/tmp/board/libsb_print.so
fn=_ZN9PrintOnlyC2Ev
"""


class StartCodeTest(unittest.TestCase):
    def test_profile_to_sections(self):
        names = startcode.profiled_functions(PROFILE.splitlines(keepends=True), "SchedBoard")
        # The board's own functions only, once each, sorted.
        self.assertEqual(names, ["_GLOBAL__sub_I_mainwindow.cpp", "_Z10readCountsRi.constprop.0",
                                 "_ZN10MainWindow5eventEP6QEvent", "_ZN10MainWindowC1Ev",
                                 "_ZN12_GLOBAL__N_17failureEv.cold", "_ZN14SessionControl10onPollTickEv",
                                 "_ZN4GridD1Ev",
                                 "_ZNK12CellDelegate5paintEP8QPainterRK20QStyleOptionViewItemRK11QModelIndex",
                                 "main"])
        self.assertEqual(startcode.sections(names), [
            ".text.startup._GLOBAL__sub_I_mainwindow.cpp",
            ".text._Z10readCountsRi.constprop.0",
            ".text._ZN10MainWindow5eventEP6QEvent",
            ".text._ZN10MainWindowC1Ev", ".text._ZN10MainWindowC2Ev",
            ".text.unlikely._ZN12_GLOBAL__N_17failureEv",
            ".text._ZN14SessionControl10onPollTickEv",
            ".text._ZN4GridD1Ev", ".text._ZN4GridD2Ev",
            ".text._ZNK12CellDelegate5paintEP8QPainterRK20QStyleOptionViewItemRK11QModelIndex",
            ".text.startup.main",
        ])

    def test_a_profile_cut_short_leaves_the_list(self):
        with tempfile.TemporaryDirectory() as tmp:
            order = os.path.join(tmp, "startcode.order")
            with open(order, "w") as f:
                f.write("kept\n")
            for name, profile, result, kept in [
                ("ended before the first paint", PROFILE.replace("fn=_ZNK12CellDelegate5paint", "fn=_ZNK4Late"), 1, True),
                ("ended before the first poll", PROFILE.replace("fn=_ZN14SessionControl10onPollTick", "fn=_ZN4Late"), 1,
                 True),
                ("empty", "", 1, True),
                ("whole", PROFILE, 0, False),
            ]:
                with self.subTest(name):
                    path = os.path.join(tmp, "profile")
                    with open(path, "w") as f:
                        f.write(profile)
                    with open(os.devnull, "w") as quiet, contextlib.redirect_stdout(quiet), \
                            contextlib.redirect_stderr(quiet):
                        self.assertEqual(startcode.main(["make", path, order]), result)
                    with open(order) as f:
                        self.assertEqual(f.read() == "kept\n", kept)

    def test_sections_read_back_as_functions(self):
        names = ["main", "_ZN10MainWindowC1Ev", "_ZN12_GLOBAL__N_17failureEv.cold", "_Z1fv.part.0"]
        listed = [startcode.HEADER.strip()] + startcode.sections(names) + startcode.TRAILER.splitlines()
        self.assertEqual(startcode.functions(listed),
                         ["main", "_ZN10MainWindowC1Ev", "_ZN10MainWindowC2Ev",
                          "_ZN12_GLOBAL__N_17failureEv.cold", "_Z1fv.part.0"])

    def test_layout(self):
        together = {"a": (0x1000, 0x800), "b": (0x1800, 0x800), "c": (0x2000, 0x1000)}
        spread = {"a": (0x1000, 0x800), "b": (0x80000, 0x800), "c": (0x100000, 0x1000)}
        rows = [
            ("together", together, ["a", "b", "c"], (3, 0x2000, 0x2000), True),
            ("together, one name gone from the build", together, ["a", "gone", "c"], (2, 0x2000, 0x1800), True),
            ("spread over a megabyte", spread, ["a", "b", "c"], (3, 0x100000, 0x2000), False),
            ("none of the names in the build", together, ["x", "y"], (0, 0, 0), False),
        ]
        for name, table, listed, expected, laid_out in rows:
            with self.subTest(name):
                self.assertEqual(startcode.layout(listed, table), expected)
                self.assertEqual(startcode.laid_out(*expected), laid_out)


if __name__ == "__main__":
    unittest.main()
