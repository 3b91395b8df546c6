#!/usr/bin/python3
"""What the Debian package and the RPM hold: exactly the files of the games layout with the
repository's contents, a copyright file that carries every licence text word for word, and the
metainfo's summary, description and licence; the Debian package's control fields; the RPM's name,
dependencies, changelog and folders, none of them shared with other packages.
What the Windows zip holds: one folder with exactly the program, the libraries of the library
prefix, the data files, the README and the licences, each file as its source has it; a GUI
program whose every import, and every import of its libraries, is Windows' own or shipped; and
an overview of the licences that names every library and where its source is. The program and
the installer carry the game's icon and the project's version details.
What the web zip holds: at its root, exactly the page, the program, the data files and the
licences, each file as its source has it, and the same overview of the licences.

    test_package.py quorvane_<version>_<arch>.deb quorvane-<version>-1.<arch>.rpm
    test_package.py quorvane-<version>-win64.zip quorvane-<version>-win64.exe
                    with QUORVANE_WIN64_PREFIX, the library prefix, and OBJDUMP, mingw-w64's
                    objdump
    test_package.py quorvane-<version>-web.zip
                    with QUORVANE_WEB_PREFIX, the library prefix

lintian and rpmlint judge the packages by their systems' rules (permissions, compression,
stripping, hardening); these tests check that they are this project's packages.
"""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
import gzip
import io
import os
import re
import struct
import subprocess
import sys
import tarfile
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
PACKAGES = {Path(arg).suffix: Path(arg) for arg in sys.argv[1:]}
del sys.argv[1:]
DEB = PACKAGES.get(".deb")
RPM = PACKAGES.get(".rpm")
ZIP = PACKAGES.get(".zip")
INSTALLER = PACKAGES.get(".exe")
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
    "usr/share/lintian/overrides/quorvane": "dist/quorvane.lintian-overrides",
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


def metainfo():
    """The metainfo's summary, the words of each paragraph of its description, and its licence."""
    root = ElementTree.parse(REPO / "dist" / ("%s.metainfo.xml" % ID)).getroot()
    paragraphs = [p.text.split() for p in root.find("description").findall("p")]
    return root.findtext("summary"), paragraphs, root.findtext("project_license")


class Package:
    """What both packages hold; a subclass unpacks its own kind into cls.root."""
    PACKAGE = None
    FILES = FILES

    @classmethod
    def setUpClass(cls):
        if cls.PACKAGE is None:
            raise unittest.SkipTest("no such package given")
        cls.scratch = tempfile.TemporaryDirectory(prefix="quorvane-package-")
        cls.root = Path(cls.scratch.name)
        cls.unpack()

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def query(self, *command):
        return subprocess.run(list(command) + [str(self.PACKAGE)], check=True,
                              capture_output=True, text=True).stdout

    def test_holds_exactly_the_files_of_the_games_layout_with_the_repository_contents(self):
        found = sorted(str(p.relative_to(self.root)) for p in self.root.rglob("*")
                       if not p.is_dir() and not self.generated(p.relative_to(self.root)))
        self.assertEqual(found, sorted(self.FILES))
        for installed, source in self.FILES.items():
            if source is None:
                continue
            with self.subTest(file=installed):
                data = (self.root / installed).read_bytes()
                if installed.endswith(".gz"):
                    data = gzip.decompress(data)
                self.assertEqual(data, (REPO / source).read_bytes())
        for program in ("usr/games/quorvane", "usr/lib/games/quorvane/quorvane"):
            self.assertTrue((self.root / program).stat().st_mode & 0o111, program)

    def generated(self, path):
        """Whether the packaging tool adds `path` by itself."""
        return False

    def test_summary_description_and_licence_are_the_metainfos(self):
        summary, paragraphs, licence = metainfo()
        found_summary, description = self.description()
        self.assertEqual(found_summary, summary)
        self.assertEqual([p.split() for p in description], paragraphs)
        if self.licence() is not None:
            self.assertEqual(self.licence(), licence)

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


class DebianPackage(Package, unittest.TestCase):
    PACKAGE = DEB

    @classmethod
    def unpack(cls):
        subprocess.run(["dpkg-deb", "-x", str(DEB), str(cls.root)], check=True)

    def field(self, name):
        return subprocess.run(["dpkg-deb", "-f", str(DEB), name], check=True,
                              capture_output=True, text=True).stdout.strip()

    def description(self):
        """The synopsis, its first letter in upper case as the metainfo has it, and the
        paragraphs of the extended description."""
        synopsis, *lines = self.field("Description").split("\n")
        text = "\n".join("" if line == " ." else line for line in lines)
        return synopsis[:1].upper() + synopsis[1:], text.split("\n\n")

    def licence(self):
        """Debian's control file has no licence field: the copyright file states them."""
        return None

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


# The lintian overrides are for Debian only.
RPM_FILES = {name: source for name, source in FILES.items() if "/lintian/" not in name}
# The folders that the RPM owns: its own, and those of the links from build IDs to binaries that
# rpmbuild adds, which every package lists that has binaries.
RPM_FOLDERS = re.compile(r"/usr/(lib/games/quorvane|share/games/quorvane|share/doc/quorvane|"
                         r"lib/\.build-id)(/|$)")


class RpmPackage(Package, unittest.TestCase):
    PACKAGE = RPM
    FILES = RPM_FILES

    @classmethod
    def unpack(cls):
        with RPM.open("rb") as package:
            archive = subprocess.run(["rpm2archive", "-"], stdin=package, check=True,
                                     capture_output=True).stdout
        with tarfile.open(fileobj=io.BytesIO(archive)) as tar:
            tar.extractall(cls.root)

    def generated(self, path):
        return path.parts[:3] == ("usr", "lib", ".build-id")

    def tag(self, name):
        return self.query("rpm", "-qp", "--qf", "%%{%s}" % name)

    def description(self):
        return self.tag("SUMMARY"), self.tag("DESCRIPTION").split("\n\n")

    def licence(self):
        return self.tag("LICENSE")

    def test_named_by_rpmbuild_with_the_libraries_that_it_found_and_the_changelog_of_news(self):
        self.assertEqual(RPM.name, self.tag("NAME") + "-" + self.tag("VERSION") + "-" +
                         self.tag("RELEASE") + "." + self.tag("ARCH") + ".rpm")
        requires = self.query("rpm", "-qpR").split("\n")
        for library in ("libSDL-1.2.so.0", "libSDL_mixer-1.2.so.0", "libSDL_ttf-2.0.so.0",
                        "libc.so.6"):
            self.assertIn(library + "()(64bit)", requires)
        self.assertEqual(self.query("rpm", "-qpL").split(), ["/usr/share/doc/quorvane/copyright"])
        # The first entry of NEWS: its version, its date and its first item.
        news = (REPO / "NEWS").read_text()
        version = re.match(r"quorvane \(([^)]+)\)", news).group(1)
        date = re.search(r"^ -- .*  \w+, (\d+) (\w+) (\d+) ", news, re.M).groups()
        first_item = re.search(r"^  \* (.*)$", news, re.M).group(1)
        changelog = self.query("rpm", "-qp", "--changelog").split("\n")
        self.assertRegex(changelog[0], r"^\* \w+ %s %s %s .* - %s-%s$" % (
            date[1], date[0], date[2], re.escape(version), self.tag("RELEASE")))
        self.assertEqual(changelog[1], "- " + first_item)

    def test_owns_its_own_folders_and_none_that_it_shares(self):
        listing = self.query("rpm", "-qp", "--qf", "[%{FILEMODES:perms} %{FILENAMES}\n]")
        folders = [line.split(" ", 1)[1] for line in listing.splitlines()
                   if line.startswith("d")]
        self.assertIn("/usr/share/games/quorvane", folders)
        for folder in folders:
            self.assertRegex(folder, RPM_FOLDERS)


# The files of the Windows zip's folder that come from the repository as they are: the README
# with the pages it links to.
WINDOWS_FILES = ("graph/quorspla.bmp", "graph/splash.bmp", "snd/quor.wav", "snd/menumusic.ogg",
                 "Adore64.ttf", "README.md", "LICENSES/MIT.txt", "LICENSES/OFL-1.1.txt",
                 "LICENSES/CC-BY-4.0.txt",
                 *("docs/" + path.name for path in sorted((REPO / "docs").iterdir())))
# Windows' own DLLs that the program and its libraries may import; anything else must ship.
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "winmm.dll", "advapi32.dll",
                "msvcrt.dll"}
WINDOWS_ICON = REPO / "dist/windows/quorvane.ico"
# ICONDIRENTRY of an icon file and GRPICONDIRENTRY of an icon group resource: width, height,
# palette size, reserved, planes, bits per pixel, the image's size, then its offset in the file
# or its RT_ICON id.
ICON_ENTRY = struct.Struct("<BBBBHHII")
GROUP_ENTRY = struct.Struct("<BBBBHHIH")


def icon_file_images(data):
    """The images of an icon file: a list of (width, height, palette size, planes, bits, bytes)."""
    count = struct.unpack_from("<H", data, 4)[0]
    images = []
    for index in range(count):
        width, height, colours, _, planes, bits, length, offset = ICON_ENTRY.unpack_from(
            data, 6 + ICON_ENTRY.size * index)
        images.append((width, height, colours, planes, bits, data[offset:offset + length]))
    return images


def resources(binary):
    """A Windows binary's icon groups, {name: the images as icon_file_images gives them}, its
    version strings, {key: value}, and the four numbers of its fixed file version."""
    # Only the Windows build's checks need pefile.
    import pefile
    pe = pefile.PE(str(binary))
    found = {}
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in directory.entries if directory else ():
        for entry in kind.directory.entries:
            leaf = entry.directory.entries[0].data.struct
            name = str(entry.name) if entry.name is not None else entry.id
            found.setdefault(kind.id, {})[name] = pe.get_data(leaf.OffsetToData, leaf.Size)
    icons = found.get(pefile.RESOURCE_TYPE["RT_ICON"], {})
    groups = {}
    for name, group in found.get(pefile.RESOURCE_TYPE["RT_GROUP_ICON"], {}).items():
        count = struct.unpack_from("<H", group, 4)[0]
        groups[name] = []
        for index in range(count):
            width, height, colours, _, planes, bits, _, icon = GROUP_ENTRY.unpack_from(
                group, 6 + GROUP_ENTRY.size * index)
            groups[name].append((width, height, colours, planes, bits, icons[icon]))
    strings = {key.decode(): value.decode()
               for info in getattr(pe, "FileInfo", ()) for entry in info
               for table in getattr(entry, "StringTable", ())
               for key, value in table.entries.items()}
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    numbers = None if fixed is None else (
        fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
        fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)
    return groups, strings, numbers


def check_licences_overview(test, root, prefix):
    """LICENSES.txt at `root` names every licence folder, names only files that are there, and
    gives each library's version, as the prefix records it, with its source's address."""
    text = (root / "LICENSES.txt").read_text()
    for folder in (root / "LICENSES").iterdir():
        if folder.is_dir():
            test.assertIn("LICENSES/%s/" % folder.name, text)
    for named in re.findall(r"LICENSES/[A-Za-z0-9_./-]*[A-Za-z0-9_]", text):
        test.assertTrue((root / named).exists(), named)
    for line in (prefix / "versions.txt").read_text().splitlines():
        library, version, _ = (line.split("\t") + ["", ""])[:3]
        if library and not line.startswith("#") and library not in ("toolchain", "recipe"):
            test.assertRegex(text, r"%s,\s+https://" % re.escape(version), library)
    return text


class WindowsPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if ZIP is None or not ZIP.name.endswith("-win64.zip"):
            raise unittest.SkipTest("not a Windows zip")
        cls.prefix = Path(os.environ["QUORVANE_WIN64_PREFIX"])
        cls.scratch = tempfile.TemporaryDirectory(prefix="quorvane-package-")
        cls.root = Path(cls.scratch.name)
        with zipfile.ZipFile(ZIP) as archive:
            archive.extractall(cls.root)
        cls.folder = cls.root / ZIP.stem
        cls.dlls = sorted(cls.folder.glob("*.dll"))

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_holds_one_folder_with_the_program_its_libraries_data_files_readme_and_licences(self):
        self.assertEqual([path.name for path in self.root.iterdir()], [ZIP.stem])
        sources = {name: REPO / name for name in WINDOWS_FILES}
        sources.update({path.name: path for path in (self.prefix / "bin").glob("*.dll")})
        licences = self.prefix / "share/licenses"
        sources.update({"LICENSES/" + path.relative_to(licences).as_posix(): path
                        for path in licences.rglob("*") if path.is_file()})
        found = sorted(path.relative_to(self.folder).as_posix()
                       for path in self.folder.rglob("*") if path.is_file())
        self.assertEqual(found, sorted(list(sources) + ["LICENSES.txt", "quorvane.exe"]))
        for name, source in sources.items():
            with self.subTest(file=name):
                self.assertEqual((self.folder / name).read_bytes(), source.read_bytes())

    def imports(self, binary):
        dump = subprocess.run([os.environ.get("OBJDUMP", "x86_64-w64-mingw32-objdump"), "-p",
                               str(binary)], check=True, capture_output=True, text=True).stdout
        return dump, [name.lower() for name in re.findall(r"^\tDLL Name: (\S+)$", dump, re.M)]

    def test_a_gui_program_whose_imports_and_their_imports_are_windows_own_or_shipped(self):
        dump, _ = self.imports(self.folder / "quorvane.exe")
        self.assertRegex(dump, r"\nSubsystem\s+00000002\s+\(Windows GUI\)\n")
        # Windows finds a DLL whatever the case of its name.
        shipped = {path.name.lower(): path for path in self.dlls}
        loaded, waiting = set(), [self.folder / "quorvane.exe"]
        while waiting:
            binary = waiting.pop()
            for name in self.imports(binary)[1]:
                with self.subTest(binary=binary.name, imports=name):
                    self.assertIn(name, WINDOWS_DLLS | set(shipped))
                if name in shipped and name not in loaded:
                    loaded.add(name)
                    waiting.append(shipped[name])
        self.assertEqual(loaded, set(shipped), "DLLs that nothing loads are shipped")

    def test_licences_overview_names_every_library_its_licence_files_and_its_source(self):
        text = check_licences_overview(self, self.folder, self.prefix)
        for path in self.dlls:
            self.assertIn(path.name, text)


    def test_program_and_installer_carry_the_game_s_icon_and_the_project_s_version_details(self):
        if INSTALLER is None:
            self.skipTest("no installer given")
        version = re.fullmatch(r"quorvane-(.*)-win64", ZIP.stem)[1]
        summary, _, licence = metainfo()
        icon = icon_file_images(WINDOWS_ICON.read_bytes())
        # SDL 1.2 gives its window the program's icon named SDL_app (resource names are kept in
        # upper case), and Explorer shows a program's first icon: it is the program's only one.
        # NSIS names the installer's.
        for binary, icon_names, description, more in (
                (self.folder / "quorvane.exe", ["SDL_APP"], "Quorvane",
                 {"InternalName": "quorvane"}),
                (INSTALLER, None, "Quorvane installer", {})):
            with self.subTest(binary=binary.name):
                groups, strings, numbers = resources(binary)
                self.assertEqual(len(groups), 1)
                if icon_names:
                    self.assertEqual(list(groups), icon_names)
                self.assertTrue(list(groups.values())[0] == icon,
                                "the icon is not dist/windows/quorvane.ico")
                self.assertEqual(numbers, (*map(int, version.split(".")), 0))
                self.assertEqual(strings, {
                    "CompanyName": "The Quorvane developers",
                    "ProductName": "Quorvane",
                    "ProductVersion": version,
                    "FileVersion": version,
                    "FileDescription": description,
                    "Comments": summary,
                    "LegalCopyright": "© 2026 The Quorvane developers. Licence: %s, see "
                                      "LICENSES.txt" % licence,
                    "OriginalFilename": binary.name,
                    **more})

# The files of the web zip that come from the repository as they are.
WEB_FILES = ("graph/quorspla.bmp", "graph/splash.bmp", "snd/quor.wav",
             "snd/menumusic.ogg", "Adore64.ttf", "LICENSES/MIT.txt", "LICENSES/OFL-1.1.txt",
             "LICENSES/CC-BY-4.0.txt")


class WebPackage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if ZIP is None or not ZIP.name.endswith("-web.zip"):
            raise unittest.SkipTest("not a web zip")
        cls.prefix = Path(os.environ["QUORVANE_WEB_PREFIX"])
        cls.scratch = tempfile.TemporaryDirectory(prefix="quorvane-package-")
        cls.root = Path(cls.scratch.name)
        with zipfile.ZipFile(ZIP) as archive:
            archive.extractall(cls.root)

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_holds_at_its_root_the_page_the_program_the_data_files_and_the_licences(self):
        sources = {name: REPO / name for name in WEB_FILES}
        sources["index.html"] = REPO / "dist/web/index.html"
        licences = self.prefix / "share/licenses"
        sources.update({"LICENSES/" + path.relative_to(licences).as_posix(): path
                        for path in licences.rglob("*") if path.is_file()})
        found = sorted(path.relative_to(self.root).as_posix()
                       for path in self.root.rglob("*") if path.is_file())
        self.assertEqual(found, sorted(list(sources) +
                                       ["LICENSES.txt", "quorvane.js", "quorvane.wasm"]))
        for name, source in sources.items():
            with self.subTest(file=name):
                self.assertEqual((self.root / name).read_bytes(), source.read_bytes())

    def test_licences_overview_names_every_library_its_licence_files_and_its_source(self):
        text = check_licences_overview(self, self.root, self.prefix)
        self.assertIn("tools/web/libsdl1.2-browser-drivers.patch", text)
        self.assertTrue((REPO / "tools/web/libsdl1.2-browser-drivers.patch").is_file())


if __name__ == "__main__":
    if not PACKAGES or not all(path.is_file() for path in PACKAGES.values()) or \
            set(PACKAGES) - {".deb", ".rpm", ".zip", ".exe"}:
        sys.exit("usage: test_package.py PACKAGE.deb [PACKAGE.rpm] | PACKAGE.zip [INSTALLER.exe] "
                 "(existing files)")
    unittest.main(verbosity=2)
