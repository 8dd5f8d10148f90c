#!/usr/bin/env python3
"""scripts/aptsources.py: the machine's package entries become source entries
for the same archives, in both formats apt reads; no network is used."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import aptsources  # noqa: E402

ONE_LINE = """\
# the archive, a mirror of it, and what else a machine may have
deb http://mirror.example/debian bookworm main contrib
deb-src http://mirror.example/debian bookworm main contrib
deb [arch=amd64 signed-by=/usr/share/keyrings/x.gpg] https://apt.example/repo bookworm stable  # trailing note
#deb http://commented.example/debian bookworm main
deb http://mirror.example/debian bookworm-updates main
deb cdrom:[Debian GNU/Linux 12.5.0 _Bookworm_]/ bookworm main
deb https://other.example/apt nodistro main
deb	http://mirror.example/debian	bookworm	main	contrib
"""

DEB822 = """\
Types: deb
# a comment inside a stanza
URIs: http://snapshot.example/archive/debian/20250520T000000Z
Suites: bookworm bookworm-updates
Components: main non-free-firmware
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

types: deb deb-src
uris: file:/srv/local-mirror
suites: bookworm
components: main

Types: deb
URIs: http://disabled.example/debian
Suites: bookworm
Components: main
Enabled: no

Types: deb-src
URIs: http://only-sources.example/debian
Suites: bookworm
Components: main

Types: deb
URIs: https://keyed.example/apt
Suites: bookworm
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGPL0BUBEADmW5NdOOHwPIJlgPu6JDcKw/NZJPR8lsD9K7pJgnNTGB1UHaRx
 -----END PGP PUBLIC KEY BLOCK-----
"""


class OneLine(unittest.TestCase):
    def test_deb_lines_become_deb_src(self):
        self.assertEqual(aptsources.one_line_sources(ONE_LINE), [
            "deb-src http://mirror.example/debian bookworm main contrib",
            "deb-src [arch=amd64 signed-by=/usr/share/keyrings/x.gpg] https://apt.example/repo bookworm stable",
            "deb-src http://mirror.example/debian bookworm-updates main",
            "deb-src https://other.example/apt nodistro main",
        ])

    def test_one_suite(self):
        self.assertEqual(aptsources.one_line_sources(ONE_LINE, "bookworm"), [
            "deb-src http://mirror.example/debian bookworm main contrib",
            "deb-src [arch=amd64 signed-by=/usr/share/keyrings/x.gpg] https://apt.example/repo bookworm stable",
        ])

    def test_nothing_to_convert(self):
        for text in ("", "# deb http://a.example/debian bookworm main\n", "deb-src http://a.example/d bookworm main\n",
                     "deb http://a.example/debian\n"):
            self.assertEqual(aptsources.one_line_sources(text), [], text)


class Deb822(unittest.TestCase):
    def test_deb_stanzas_become_deb_src(self):
        self.assertEqual(aptsources.deb822_sources(DEB822), [
            "Types: deb-src\n"
            "URIs: http://snapshot.example/archive/debian/20250520T000000Z\n"
            "Suites: bookworm bookworm-updates\n"
            "Components: main non-free-firmware\n"
            "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg",
            "Types: deb-src\nuris: file:/srv/local-mirror\nsuites: bookworm\ncomponents: main",
            "Types: deb-src\nURIs: https://keyed.example/apt\nSuites: bookworm\nComponents: main\nSigned-By:\n"
            " -----BEGIN PGP PUBLIC KEY BLOCK-----\n .\n"
            " mQINBGPL0BUBEADmW5NdOOHwPIJlgPu6JDcKw/NZJPR8lsD9K7pJgnNTGB1UHaRx\n"
            " -----END PGP PUBLIC KEY BLOCK-----",
        ])

    def test_one_suite_keeps_only_it(self):
        first = aptsources.deb822_sources(DEB822, "bookworm")[0]
        self.assertIn("\nSuites: bookworm\n", first)
        self.assertEqual(aptsources.deb822_sources(DEB822, "trixie"), [])

    def test_nothing_to_convert(self):
        for text in ("", "Types: deb\nSuites: bookworm\nComponents: main\n",
                     "Types: deb\nURIs: http://a.example/d\nComponents: main\n"):
            self.assertEqual(aptsources.deb822_sources(text), [], text)


class Files(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def test_both_formats_into_a_private_folder(self):
        out = os.path.join(self.dir, "apt", "sources.list.d")
        os.makedirs(out)
        self.write("apt/sources.list.d/src.list", "deb-src http://stale.example/debian bookworm main\n")
        files = [self.write("sources.list", ONE_LINE), self.write("debian.sources", DEB822),
                 os.path.join(self.dir, "missing.list"), os.path.join(self.dir, "*.sources")]
        self.assertEqual(aptsources.main(["--out", out, "--suite", "bookworm"] + files), 0)
        with open(os.path.join(out, "src.list")) as f:
            listed = f.read()
        with open(os.path.join(out, "src.sources")) as f:
            stanzas = f.read()
        self.assertNotIn("stale.example", listed)
        self.assertEqual(listed.count("deb-src "), 2)
        self.assertEqual(stanzas.count("Types: deb-src"), 3)
        self.assertIn("\n\nTypes: deb-src\n", stanzas)

        # apt itself reads them: the index files it would fetch, nothing fetched.
        if shutil.which("apt-get"):
            lists = os.path.join(self.dir, "lists")
            os.makedirs(os.path.join(lists, "partial"))
            uris = subprocess.run(["apt-get", "-o", "Dir::Etc::sourcelist=/dev/null",
                                   "-o", "Dir::Etc::sourceparts=" + out, "-o", "Dir::State::Lists=" + lists,
                                   "-o", "Debug::NoLocking=1", "--print-uris", "update"],
                                  capture_output=True, text=True, check=True).stdout
            self.assertIn("'http://mirror.example/debian/dists/bookworm/main/source/Sources", uris)
            self.assertIn("'https://keyed.example/apt/dists/bookworm/main/source/Sources", uris)
            self.assertNotIn("binary-", uris)

    def test_no_entries_fails_and_leaves_nothing(self):
        out = os.path.join(self.dir, "out")
        empty = self.write("empty.sources", "# nothing here\n")
        self.assertEqual(aptsources.main(["--out", out, empty]), 1)
        self.assertEqual(os.listdir(out), [])


if __name__ == "__main__":
    unittest.main()
