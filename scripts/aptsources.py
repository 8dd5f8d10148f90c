#!/usr/bin/env python3
"""Source entries for the package entries an apt configuration already uses.

Every "deb" entry of the given files becomes a "deb-src" entry for the same
URIs, suites and components, with its options (Signed-By and the like) kept,
so source packages come from wherever this machine gets its packages: a
mirror, a proxy, a snapshot. Disabled entries and comments are left out.

    aptsources.py --out DIR [--suite CODENAME] FILE...

A FILE ending in ".sources" is in the deb822 format, any other in the
one-line format; missing files are skipped. With --suite only entries for
that suite are kept (third-party archives rarely carry sources). Writes
DIR/src.list and DIR/src.sources, each only when it has entries, and fails
when no entry at all was found.
"""

import argparse
import os
import re
import sys

ONE_LINE = re.compile(r"^(?P<type>\S+)\s+(?P<options>\[[^\]]*\]\s+)?(?P<uri>\S+)\s+(?P<suite>\S+)(?P<rest>.*)$")


def one_line_sources(text, suite=None):
    """The deb-src lines for the deb lines of a one-line sources.list."""
    out = []
    for line in text.splitlines():
        line = line.split("#", 1)[0].strip()
        m = ONE_LINE.match(line)
        if not m or m.group("type") != "deb" or m.group("uri").startswith("cdrom:"):
            continue
        if suite and m.group("suite") != suite:
            continue
        entry = "deb-src " + (m.group("options") or "") + m.group("uri") + " " + m.group("suite") + m.group("rest")
        entry = " ".join(entry.split())
        if entry not in out:
            out.append(entry)
    return out


def _stanzas(text):
    """The stanzas of a deb822 file, each a list of [name, value lines]."""
    stanzas, fields = [], []
    for line in text.splitlines():
        if not line.strip():
            if fields:
                stanzas.append(fields)
            fields = []
        elif line.startswith("#"):
            continue
        elif line[0] in " \t":
            if fields:   # a continuation of the field before
                fields[-1][1].append(line)
        elif ":" in line:
            name, value = line.split(":", 1)
            fields.append([name.strip(), [value.strip()]])
    if fields:
        stanzas.append(fields)
    return stanzas


def deb822_sources(text, suite=None):
    """The deb-src stanzas for the stanzas of a deb822 .sources file that
    have the type deb."""
    out = []
    for fields in _stanzas(text):
        values = {name.lower(): lines for name, lines in fields}
        if "deb" not in " ".join(values.get("types", [""])).split():
            continue
        if " ".join(values.get("enabled", ["yes"])).strip().lower() == "no":
            continue
        suites = " ".join(values.get("suites", [""])).split()
        if suite:
            suites = [s for s in suites if s == suite]
        if not suites or not " ".join(values.get("uris", [""])).split():
            continue
        lines = ["Types: deb-src"]
        for name, value in fields:
            key = name.lower()
            if key == "types":
                continue
            if key == "suites":
                value = [" ".join(suites)]
            lines.append(name + ":" + (" " + value[0] if value[0] else ""))
            lines.extend(value[1:])
        stanza = "\n".join(lines)
        if stanza not in out:
            out.append(stanza)
    return out


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True, help="folder for src.list and src.sources")
    parser.add_argument("--suite", help="keep only entries for this suite")
    parser.add_argument("files", nargs="*")
    args = parser.parse_args(argv)

    lines, stanzas = [], []
    for path in args.files:
        if not os.path.isfile(path):
            continue
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        if path.endswith(".sources"):
            stanzas += [s for s in deb822_sources(text, args.suite) if s not in stanzas]
        else:
            lines += [l for l in one_line_sources(text, args.suite) if l not in lines]

    os.makedirs(args.out, exist_ok=True)
    for name, entries, separator in (("src.list", lines, "\n"), ("src.sources", stanzas, "\n\n")):
        target = os.path.join(args.out, name)
        if os.path.exists(target):
            os.remove(target)
        if entries:
            with open(target, "w", encoding="utf-8") as f:
                f.write(separator.join(entries) + "\n")
    if not lines and not stanzas:
        print("no deb entries%s in %s" % (" for " + args.suite if args.suite else "", " ".join(args.files)),
              file=sys.stderr)
        return 1
    print("%d source entries" % (len(lines) + len(stanzas)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
