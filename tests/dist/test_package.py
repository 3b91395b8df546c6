#!/usr/bin/python3
"""What the Debian package holds: its control fields, exactly the files of the games layout with
the repository's contents, and a copyright file that carries every licence text word for word.

    test_package.py quorvane_<version>_<arch>.deb

lintian judges the package by Debian's rules (permissions, compression, stripping, hardening);
these tests check that it is this project's package.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import gzip
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
DEB = Path(sys.argv.pop(1)) if len(sys.argv) > 1 else None
ID = "org.quorvane.Quorvane"
DATA = "usr/share/games/quorvane/"
ICON_SIZES = (16, 32, 48, 64, 128, 256)

# Every file of the package and where its content comes from in the repository (None: built).
FILES = {
    "usr/games/quorvane": None,
    "usr/lib/games/quorvane/quorvane": None,
    DATA + "graph/quorspla.bmp": "graph/quorspla.bmp",
    DATA + "graph/splash.bmp": "graph/splash.bmp",
    DATA + "snd/quor.wav": "snd/quor.wav",
    DATA + "snd/menumusic.ogg": "snd/menumusic.ogg",
    DATA + "Adore64.ttf": "Adore64.ttf",
    "usr/share/applications/%s.desktop" % ID: "dist/%s.desktop" % ID,
    "usr/share/metainfo/%s.metainfo.xml" % ID: "dist/%s.metainfo.xml" % ID,
    "usr/share/man/man6/quorvane.6.gz": "dist/quorvane.6",
    "usr/share/doc/quorvane/changelog.gz": "NEWS",
    "usr/share/doc/quorvane/copyright": None,
}
FILES.update({"usr/share/icons/hicolor/%dx%d/apps/%s.png" % (n, n, ID):
              "dist/icons/hicolor/%dx%d/apps/%s.png" % (n, n, ID) for n in ICON_SIZES})


def paragraphs(text):
    """The paragraphs of a Debian control-style file, each as its text without the last newline."""
    return [p.strip("\n") for p in text.split("\n\n") if p.strip()]


def unfold(paragraph):
    """A standalone licence paragraph of a DEP-5 file: (its name, its text as the licence file
    has it)."""
    first, *body = paragraph.split("\n")
    lines = ["" if line == " ." else line[1:] for line in body]
    return first[len("License: "):], "\n".join(lines)


def normalised(text):
    return "\n".join(line.rstrip() for line in text.strip("\n").split("\n"))


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="quorvane-package-")
        cls.root = Path(cls.scratch.name)
        subprocess.run(["dpkg-deb", "-x", str(DEB), str(cls.root)], check=True)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def field(self, name):
        return subprocess.run(["dpkg-deb", "-f", str(DEB), name], check=True,
                              capture_output=True, text=True).stdout.strip()

    def test_control_fields_name_the_games_section_and_the_libraries_found_by_shlibdeps(self):
        arch = subprocess.run(["dpkg", "--print-architecture"], check=True,
                              capture_output=True, text=True).stdout.strip()
        name, version, deb_arch = DEB.stem.split("_")
        self.assertEqual((name, deb_arch), ("quorvane", arch))
        self.assertEqual(self.field("Package"), "quorvane")
        self.assertEqual(self.field("Version"), version)
        self.assertEqual(self.field("Section"), "games")
        depends = {entry.split(" ")[0]: entry for entry in self.field("Depends").split(", ")}
        for library in ("libsdl1.2debian", "libsdl-mixer1.2", "libsdl-ttf2.0-0", "libc6"):
            self.assertIn(library, depends)
        # A versioned libc6 comes from the symbols that dpkg-shlibdeps found in the binary.
        self.assertRegex(depends["libc6"], r"^libc6 \(>= [0-9.]+\)$")

    def test_holds_exactly_the_files_of_the_games_layout_with_the_repository_contents(self):
        found = sorted(str(p.relative_to(self.root)) for p in self.root.rglob("*")
                       if not p.is_dir())
        self.assertEqual(found, sorted(FILES))
        for installed, source in FILES.items():
            if source is None:
                continue
            with self.subTest(file=installed):
                data = (self.root / installed).read_bytes()
                if installed.endswith(".gz"):
                    data = gzip.decompress(data)
                self.assertEqual(data, (REPO / source).read_bytes())
        for program in ("usr/games/quorvane", "usr/lib/games/quorvane/quorvane"):
            self.assertTrue((self.root / program).stat().st_mode & 0o111, program)

    def test_copyright_file_is_dep5_with_the_reuse_statements_and_every_licence_text(self):
        copyright_text = (self.root / "usr/share/doc/quorvane/copyright").read_text()
        dep5 = paragraphs((REPO / ".reuse/dep5").read_text())
        found = paragraphs(copyright_text)
        files = [p for p in found if p.startswith("Files: ")]
        licences = [p for p in found if p.startswith("License: ")]
        self.assertEqual(found[0], dep5[0], "the header paragraph")
        self.assertEqual(files[0], "Files: *\nCopyright: 2026 The Quorvane developers\n"
                                   "License: MIT")
        self.assertEqual(files[1:], dep5[1:])
        self.assertEqual(len(found), 1 + len(files) + len(licences))

        named = {line[len("License: "):] for p in files for line in p.split("\n")
                 if line.startswith("License: ")}
        texts = dict(unfold(p) for p in licences)
        self.assertEqual(len(texts), len(licences), "a licence has two paragraphs")
        self.assertEqual(set(texts), named)
        for name, text in texts.items():
            with self.subTest(licence=name):
                self.assertEqual(text, normalised((REPO / "LICENSES" / (name + ".txt"))
                                                  .read_text()))


if __name__ == "__main__":
    if DEB is None or not DEB.is_file():
        sys.exit("usage: test_package.py PACKAGE.deb (an existing file)")
    unittest.main(verbosity=2)
