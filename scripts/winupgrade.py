#!/usr/bin/env python3
"""Writes the zip's Upgrade.cmd from its template, naming this version's
program files one by one: the script checks they are all in the new
version's folder before it moves anything, and copies them with the
executable last.

Usage: winupgrade.py <Upgrade.cmd template> <zip folder>
"""
import os
import sys


def program_files(folder):
    """The files an upgrade replaces, in the order they are copied."""
    names = []
    for sub in ("", "platforms", "styles"):
        d = os.path.join(folder, sub)
        names += sorted(os.path.join(sub, n) for n in os.listdir(d) if n.lower().endswith(".dll"))
    names += sorted(os.path.join("licences", n) for n in os.listdir(os.path.join(folder, "licences")))
    names += ["README.txt", "Upgrade.cmd", "SchedBoard.exe"]
    for n in names:
        if n != "Upgrade.cmd" and not os.path.isfile(os.path.join(folder, n)):
            sys.exit("winupgrade: %s is missing from %s" % (n, folder))
        if any(c in n for c in '%!^&()" '):
            sys.exit("winupgrade: %s needs quoting that the script does not do" % n)
    return [n.replace("/", "\\") for n in names]


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    template, folder = sys.argv[1], sys.argv[2]
    names = program_files(folder)
    check = "\n".join('if not exist "%%src%%%s" (echo missing: %s& set missing=1)\n'
                      'if exist "%%src%%%s\\*" (echo not a file: %s& set missing=1)' % (n, n, n, n)
                      for n in names)
    copy = "\n".join('copy /y "%%src%%%s" "%s" >nul\nif errorlevel 1 goto failed' % (n, n) for n in names)
    with open(template, encoding="ascii") as f:
        text = f.read()
    if "@CHECK_LINES@" not in text or "@COPY_LINES@" not in text:
        sys.exit("winupgrade: the template lacks @CHECK_LINES@ or @COPY_LINES@")
    text = text.replace("@CHECK_LINES@", check).replace("@COPY_LINES@", copy)
    # CR LF: cmd.exe's jumps to labels misbehave in a file without them.
    with open(os.path.join(folder, "Upgrade.cmd"), "w", encoding="ascii", newline="\r\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
