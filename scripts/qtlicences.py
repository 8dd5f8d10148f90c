#!/usr/bin/env python3
"""Gathers the licence texts that go with Qt's DLLs in the Windows zip, from
the Qt source they were built from.

Usage: qtlicences.py <qt6-base source> <out dir>

Writes into <out dir>:
  LGPL-3.0.txt, GPL-3.0.txt        the licence Qt is used under (the LGPL
                                   is a set of permissions on top of the GPL)
  Qt-third-party.txt               each third-party part compiled into the
                                   shipped Qt libraries: name, version,
                                   copyright and its licence text
  Qt-copyright.txt                 the Debian source package's copyright
                                   record, every file of the source covered
"""
import glob
import json
import os
import shutil
import sys

# Parts of the source that none of the shipped libraries (Core, Gui,
# Widgets, PrintSupport, the Windows platform and style plugins) contain:
# other platforms, modules not built, and features switched off.
NOT_SHIPPED = (
    "src/3rdparty/VulkanMemoryAllocator", "src/3rdparty/android", "src/3rdparty/wasm",
    "src/3rdparty/xcb", "src/3rdparty/dbus-ifaces", "src/3rdparty/libpsl",
    "src/3rdparty/forkfd", "src/3rdparty/gradle", "src/3rdparty/pixman",
    "src/gui/opengl", "src/gui/vulkan", "src/network", "src/dbus",
    "src/plugins/platforms/cocoa", "src/testlib",
)


def attributions(src):
    # util/gradientgen holds WebGradients, whose table Qt Gui compiles in.
    paths = sorted(glob.glob(os.path.join(src, "src", "**", "qt_attribution.json"), recursive=True))
    paths.append(os.path.join(src, "util", "gradientgen", "qt_attribution.json"))
    for path in paths:
        folder = os.path.relpath(os.path.dirname(path), src).replace(os.sep, "/")
        if folder.startswith(NOT_SHIPPED):
            continue
        with open(path, encoding="utf-8") as f:
            # Qt's files hold raw tabs and line breaks inside strings.
            entries = json.loads(f.read(), strict=False)
        for entry in entries if isinstance(entries, list) else [entries]:
            yield folder, entry


def licence_texts(src, folder, entry):
    names = entry.get("LicenseFiles") or ([entry["LicenseFile"]] if entry.get("LicenseFile") else [])
    for name in names:
        path = os.path.join(src, folder, name)
        if os.path.isfile(path):
            with open(path, encoding="utf-8", errors="replace") as f:
                yield f.read().strip()
        else:
            raise SystemExit("%s names %s, which is missing" % (folder, name))


def third_party(src):
    out = ["Third-party parts of Qt compiled into the Qt libraries of this package",
           "=" * 72, ""]
    count = 0
    for folder, e in attributions(src):
        if e.get("QtUsage", "").lower().startswith("not used"):
            continue
        count += 1
        out += ["-" * 72, e.get("Name", e.get("Id", folder))]
        for key in ("Version", "License", "Copyright", "Homepage"):
            if e.get(key):
                value = str(e[key]).strip().replace("\n", "\n    ")
                out.append("%s: %s" % (key, value))
        out.append("Source: %s of qt6-base" % folder)
        # A public-domain part has its statement in Copyright and no text.
        out += [""] + list(licence_texts(src, folder, e)) + [""]
    if count == 0:
        raise SystemExit("no attributions found in " + src)
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    src, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    shutil.copyfile(os.path.join(src, "LICENSES", "LGPL-3.0-only.txt"), os.path.join(out, "LGPL-3.0.txt"))
    shutil.copyfile(os.path.join(src, "LICENSES", "GPL-3.0-only.txt"), os.path.join(out, "GPL-3.0.txt"))
    shutil.copyfile(os.path.join(src, "debian", "copyright"), os.path.join(out, "Qt-copyright.txt"))
    text = third_party(src)   # first, so a failure leaves no empty file behind
    with open(os.path.join(out, "Qt-third-party.txt"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
