#!/usr/bin/env python3
"""The static checks of the shipped programs, and proof that they catch what
they are there for.

    check_shipped_test.py DIST X86_64_DIST ALLOWED_IMPORTS KNOWN_DLLS [unittest options]

Checks the programs in DIST as check_shipped.py does, and checks copies of
them spoiled one way each: the checks must report a fault for each copy that
they do not report for the shipped programs.
"""
import re
import shutil
import struct
import sys
import tempfile
import unittest
from pathlib import Path

import check_shipped
from check_shipped import MAX_PROGRAM_SIZE, PROGRAMS, RT_MANIFEST, RT_VERSION, PeFile

RT_GROUP_ICON, RT_HTML = 14, 23
ARGUMENTS = None


def check(dist):
    return check_shipped.check(dist, *ARGUMENTS[1:])


class ShippedProgramsTest(unittest.TestCase):
    def test_pass_every_check(self):
        faults, summary = check(ARGUMENTS[0])
        if faults:
            self.fail(f"{len(faults)} fault(s) in {ARGUMENTS[0]}:\n" + "\n".join(faults))
        print(summary)


def rename(level, identifier, which):
    """Gives the directory entries at level (0 type, 1 name, 2 language) of
    the resources that which(key) picks another identifier."""

    def spoil(data, pe):
        for key, entries, _ in pe.resource_leaves():
            if which(key):
                struct.pack_into("<I", data, entries[level], identifier)

    return spoil


def manifest_of(pe):
    (_, _, data_entry), = (leaf for leaf in pe.resource_leaves() if leaf[0][0] == RT_MANIFEST)
    rva, size = struct.unpack_from("<II", pe.data, data_entry)
    return data_entry, pe.offset(rva), size


def with_manifest(text):
    def spoil(data, pe):
        data_entry, start, size = manifest_of(pe)
        if len(text) > size:
            raise ValueError(f"a manifest of {len(text)} bytes does not fit in {size}")
        data[start:start + len(text)] = text
        struct.pack_into("<I", data, data_entry + 4, len(text))

    return spoil


class CheckerCatchesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dist = ARGUMENTS[0]
        cls.shipped_faults = set(check(cls.dist)[0])

    def new_faults(self, program, spoil):
        pe = PeFile(self.dist / program)
        data = bytearray(pe.data)
        spoil(data, pe)
        with tempfile.TemporaryDirectory() as folder:
            for name in PROGRAMS:
                shutil.copy(self.dist / name, folder)
            (Path(folder) / program).write_bytes(data)
            faults, _ = check(Path(folder))
        return [fault for fault in faults if fault not in self.shipped_faults]

    def assert_caught(self, program, spoil, pattern):
        faults = self.new_faults(program, spoil)
        self.assertTrue(any(re.search(pattern, fault) for fault in faults),
                        f"no fault matching {pattern!r} among the new ones: {faults}")

    def test_manifest_text(self):
        _, start, size = manifest_of(PeFile(self.dist / "install.exe"))
        shipped = PeFile(self.dist / "install.exe").data[start:start + size]
        # Without the indentation, so that every spoiled text fits where the
        # shipped one was.
        compact = re.sub(rb">\s+<", b"><", shipped).strip()

        def variant(old, new):
            self.assertIn(old, compact)
            return compact.replace(old, new)

        v3 = b'xmlns="urn:schemas-microsoft-com:asm.v3"'
        with self.subTest("the shipped text, compacted, passes"):
            faults = self.new_faults("install.exe", with_manifest(compact))
            self.assertEqual([fault for fault in faults if "manifest" in fault], [])
        cases = {
            "not XML": (variant(b"</assembly>", b"</assembly"), "not well-formed"),
            "one namespace declared twice on an element, as XP SP2 restarts on": (
                variant(b"<trustInfo " + v3, b"<trustInfo " + v3 + b" xmlns:v3" + v3[5:]),
                "<trustInfo> declares urn:schemas-microsoft-com:asm.v3 twice"),
            "another manifest version": (
                variant(b'manifestVersion="1.0"', b'manifestVersion="2.0"'),
                "not an assembly of urn:schemas-microsoft-com:asm.v1"),
            "no assembly identity": (re.sub(rb"<assemblyIdentity[^>]*/>", b"", compact),
                                     "no assemblyIdentity"),
            "a processor architecture": (
                variant(b'type="win32"', b'type="win32" processorArchitecture="x86"'),
                "names a processorArchitecture"),
            "another version": (variant(b'version="1.0.0.1"', b'version="1.0.0.2"'),
                                "has version '1.0.0.2'"),
            "trustInfo outside asm.v3": (variant(b" " + v3, b""),
                                         "0 trustInfo/security/requestedPrivileges"),
            "asInvoker": (variant(b'"requireAdministrator"', b'"asInvoker"'),
                          "asks for level 'asInvoker'"),
            "uiAccess": (variant(b'uiAccess="false"', b'uiAccess="true"'), "uiAccess 'true'"),
        }
        for case, (text, pattern) in cases.items():
            with self.subTest(case):
                self.assert_caught("install.exe", with_manifest(text), re.escape(pattern))

    def test_manifest_resource(self):
        def of_type(resource_type):
            return lambda key: key[0] == resource_type

        manifest = of_type(RT_MANIFEST)

        cases = {
            "none": ("install.exe", rename(0, RT_HTML, manifest), r"install\.exe: manifests \[\]"),
            "id 2": ("install.exe", rename(1, 2, manifest), r"manifests \[\(24, 2, 0\)\], not one"),
            "Japanese": ("install.exe", rename(2, 0x411, manifest),
                         r"manifests \[\(24, 1, 1041\)\], not one"),
            "a second one": ("install.exe", rename(0, RT_MANIFEST, of_type(RT_GROUP_ICON)),
                             r"manifests \[\(24, 1, 0\), \(24, 102, 1041\)\], not one"),
            "one in the player": ("soBeep.exe", rename(0, RT_MANIFEST, of_type(RT_VERSION)),
                                  r"soBeep\.exe: carries a manifest"),
        }
        for case, (program, spoil, pattern) in cases.items():
            with self.subTest(case):
                self.assert_caught(program, spoil, pattern)

    def test_imports_only_known_dlls(self):
        def import_from_uxtheme(data, pe):
            # The longest name, so that the new one fits in its place.
            descriptor, _ = pe.directory(check_shipped.DIR_IMPORT)
            names = []
            while pe.u32(descriptor + 12):
                names.append(pe.u32(descriptor + 12))
                descriptor += 20
            name = max(names, key=lambda rva: len(pe.cstring(rva)))
            at = pe.offset(name)
            data[at:at + len(b"uxtheme.dll\0")] = b"uxtheme.dll\0"

        for program in PROGRAMS:
            with self.subTest(program):
                self.assert_caught(program, import_from_uxtheme,
                                   r"imports from uxtheme\.dll, not a known DLL")

    def test_size(self):
        def padded_to(size):
            def spoil(data, pe):
                self.assertLessEqual(len(data), size)
                data.extend(bytes(size - len(data)))

            return spoil

        for program in PROGRAMS:
            with self.subTest(program):
                self.assert_caught(program, padded_to(MAX_PROGRAM_SIZE + 1),
                                   rf"{MAX_PROGRAM_SIZE + 1} bytes, more than 96 KiB")
                self.assertEqual(self.new_faults(program, padded_to(MAX_PROGRAM_SIZE)), [])


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    ARGUMENTS = (Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3], sys.argv[4])
    unittest.main(argv=sys.argv[:1] + sys.argv[5:], verbosity=2)
