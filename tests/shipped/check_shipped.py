#!/usr/bin/env python3
"""Static checks of the programs users get, read from their PE files.

    check_shipped.py DIST X86_64_DIST ALLOWED_IMPORTS

DIST holds the shipped i686 soBeep.exe and install.exe, X86_64_DIST the same
programs built for x86_64 (the build the Windows tests run), ALLOWED_IMPORTS
the DLL!function names that the oldest supported Windows has. Prints one
line per fault and exits 1 when there is any.
"""
import struct
import sys
from pathlib import Path

PROGRAMS = ("soBeep.exe", "install.exe")
IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_FILE_EXECUTABLE_IMAGE, IMAGE_FILE_DLL = 0x0002, 0x2000
# Windows XP is Windows NT 5.1: it refuses programs that ask for a later
# subsystem or system version.
OLDEST_WINDOWS = (5, 1)
DIR_IMPORT, DIR_RESOURCE, DIR_DELAY_IMPORT = 1, 2, 13
RT_VERSION = 16
# DLLs of the MinGW toolchain's runtime, which no Windows has.
MINGW_DLLS = ("libgcc", "libstdc++", "libwinpthread", "libssp", "libatomic", "libgomp")

VERSION_STRINGS = {
    "CompanyName": "Norvan software.",
    "FileDescription": "SoBeep",
    "FileVersion": "0.9.2",
    "InternalName": "SoBeep",
    "OriginalFilename": "SoBeep.exe",
    "ProductName": "Norvan software. Chimbell",
    "ProductVersion": "0.9.2",
}
VERSION_LANGUAGE, VERSION_CODE_PAGE = 0x0411, 0x04B0
FILE_VERSION = (1, 0, 0, 1)


class PeFile:
    def __init__(self, path):
        self.path = path
        self.data = Path(path).read_bytes()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe, = struct.unpack_from("<I", d, 0x3C)
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        self.magic, = struct.unpack_from("<H", d, opt)
        pe32 = self.magic == PE32_MAGIC
        self.os_version = struct.unpack_from("<HH", d, opt + 40)
        self.subsystem_version = struct.unpack_from("<HH", d, opt + 48)
        self.subsystem, = struct.unpack_from("<H", d, opt + 68)
        directories = opt + (96 if pe32 else 112)
        count, = struct.unpack_from("<I", d, directories - 4)
        self.directories = [struct.unpack_from("<II", d, directories + 8 * i) for i in range(count)]
        self.thunk_size = 4 if pe32 else 8
        table = opt + optional_size
        self.sections = []
        for i in range(sections):
            (virtual_size, address, raw_size,
             raw_offset) = struct.unpack_from("<IIII", d, table + 40 * i + 8)
            self.sections.append((address, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError(f"address {rva:#x} lies in no section")

    def u16(self, rva):
        return struct.unpack_from("<H", self.data, self.offset(rva))[0]

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset(rva))[0]

    def cstring(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def imports(self):
        """(dll, name) per imported function; name is "#N" for an ordinal."""
        rva, _ = self.directory(DIR_IMPORT)
        result = []
        while rva:
            lookup, _, _, name, first = (self.u32(rva + 4 * i) for i in range(5))
            if not name:
                break
            dll = self.cstring(name)
            thunk = lookup or first
            ordinal_bit = 1 << (8 * self.thunk_size - 1)
            while True:
                at = self.offset(thunk)
                entry = int.from_bytes(self.data[at:at + self.thunk_size], "little")
                if not entry:
                    break
                if entry & ordinal_bit:
                    result.append((dll, f"#{entry & 0xFFFF}"))
                else:
                    result.append((dll, self.cstring(entry + 2)))
                thunk += self.thunk_size
            rva += 20
        return result

    def resources(self):
        """{(type, name, language): bytes}; string identifiers as str."""
        base, _ = self.directory(DIR_RESOURCE)
        found = {}
        if not base:
            return found

        def label(entry_name):
            if entry_name & 0x80000000:
                at = base + (entry_name & 0x7FFFFFFF)
                length = self.u16(at)
                start = self.offset(at + 2)
                return self.data[start:start + 2 * length].decode("utf-16-le")
            return entry_name

        def walk(table, path):
            named, numbered = self.u16(table + 12), self.u16(table + 14)
            for i in range(named + numbered):
                entry_name = self.u32(table + 16 + 8 * i)
                target = self.u32(table + 20 + 8 * i)
                key = path + (label(entry_name),)
                if target & 0x80000000:
                    walk(base + (target & 0x7FFFFFFF), key)
                else:
                    data_rva, size = self.u32(base + target), self.u32(base + target + 4)
                    start = self.offset(data_rva)
                    found[key] = self.data[start:start + size]

        walk(base, ())
        return found


def version_block(data):
    """The fixed file version, the string table per language/code page
    key, and the translations of a VS_VERSIONINFO block."""

    def node(at):
        length, value_length, text = struct.unpack_from("<HHH", data, at)
        key_end = at + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[at + 6:key_end].decode("utf-16-le")
        value = (key_end + 2 + 3) & ~3
        size = value_length * 2 if text and value_length else value_length
        children = (value + size + 3) & ~3
        return key, length, value, value_length, text, children, at + length

    key, _, value, value_length, _, child, end = node(0)
    if key != "VS_VERSION_INFO" or value_length < 52:
        raise ValueError("no VS_VERSION_INFO with a fixed file information block")
    signature, _, ms, ls = struct.unpack_from("<IIII", data, value)
    if signature != 0xFEEF04BD:
        raise ValueError("the fixed file information has no signature")
    file_version = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    tables, translations = {}, []
    while child < end:
        key, _, _, _, _, grandchild, next_child = node(child)
        while grandchild < next_child:
            sub_key, _, sub_value, sub_length, _, entry, sub_end = node(grandchild)
            if key == "StringFileInfo":
                strings = {}
                while entry < sub_end:
                    name, _, at, chars, _, _, entry_end = node(entry)
                    strings[name] = data[at:at + 2 * chars].decode("utf-16-le").rstrip("\0")
                    entry = (entry_end + 3) & ~3
                tables[sub_key.lower()] = strings
            elif key == "VarFileInfo" and sub_key == "Translation":
                translations += [struct.unpack_from("<HH", data, sub_value + 4 * i)
                                 for i in range(sub_length // 4)]
            grandchild = (sub_end + 3) & ~3
        child = (next_child + 3) & ~3
    return file_version, tables, translations


def load_allowed(path):
    allowed = set()
    for line in Path(path).read_text(encoding="utf-8").splitlines():
        line = line.strip()
        if line and not line.startswith("#"):
            dll, _, name = line.partition("!")
            allowed.add((dll.lower(), name))
    return allowed


def check_program(pe, reference, allowed, faults, counts):
    name = Path(pe.path).name

    def fault(text):
        faults.append(f"{name}: {text}")

    if pe.machine != IMAGE_FILE_MACHINE_I386 or pe.magic != PE32_MAGIC:
        fault(f"not a PE32 i386 program (machine {pe.machine:#x}, magic {pe.magic:#x})")
    if not pe.characteristics & IMAGE_FILE_EXECUTABLE_IMAGE or pe.characteristics & IMAGE_FILE_DLL:
        fault(f"not an executable program (characteristics {pe.characteristics:#x})")
    if pe.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        fault(f"subsystem {pe.subsystem}, not the Windows GUI (2)")
    for what, version in (("subsystem", pe.subsystem_version), ("system", pe.os_version)):
        if tuple(version) > OLDEST_WINDOWS:
            fault(f"asks for {what} version {version[0]}.{version[1]}, later than Windows XP's 5.1")
    if pe.directory(DIR_DELAY_IMPORT)[0]:
        fault("has delay-loaded imports, which this check does not read")

    allowed_dlls = {dll for dll, _ in allowed}
    imports = pe.imports()
    for dll in sorted({dll for dll, _ in imports}, key=str.lower):
        if dll.lower().startswith(MINGW_DLLS):
            fault(f"imports from {dll}, a MinGW runtime DLL that no Windows has")
        elif dll.lower() not in allowed_dlls:
            fault(f"imports from {dll}, not a system DLL of every supported Windows")
    for dll, function in imports:
        if dll.lower() not in allowed_dlls:
            continue
        if function.startswith("#"):
            fault(f"imports {dll} ordinal {function[1:]}: ordinals differ between Windows versions")
        elif (dll.lower(), function) not in allowed:
            fault(f"imports {dll}!{function}, not in the list of functions Windows XP has")

    counts[0] += len(imports)
    mine, theirs = pe.resources(), reference.resources()
    counts[1] += len(mine)
    for key in sorted(set(mine) | set(theirs), key=str):
        if key not in theirs:
            fault(f"resource {key} is missing from the x86_64 build")
        elif key not in mine:
            fault(f"resource {key} of the x86_64 build is missing")
        elif mine[key] != theirs[key]:
            fault(f"resource {key} differs from the x86_64 build's")
    return mine


def check_version(resources, faults):
    blocks = {key: data for key, data in resources.items() if key[0] == RT_VERSION}
    if len(blocks) != 1:
        faults.append(f"soBeep.exe: {len(blocks)} version blocks, not one")
        return
    (_, _, language), data = next(iter(blocks.items()))
    if language != VERSION_LANGUAGE:
        faults.append(f"soBeep.exe: version block in language {language:#x}, not Japanese")
    try:
        file_version, tables, translations = version_block(data)
    except (ValueError, struct.error, UnicodeDecodeError) as error:
        faults.append(f"soBeep.exe: unreadable version block: {error}")
        return
    if file_version != FILE_VERSION:
        faults.append(f"soBeep.exe: file version {'.'.join(map(str, file_version))}, not 1.0.0.1")
    wanted_table = f"{VERSION_LANGUAGE:04x}{VERSION_CODE_PAGE:04x}"
    if set(tables) != {wanted_table}:
        faults.append(f"soBeep.exe: string tables {sorted(tables)}, not only {wanted_table}")
    strings = tables.get(wanted_table, {})
    if strings != VERSION_STRINGS:
        faults.append(f"soBeep.exe: version strings {strings}, not {VERSION_STRINGS}")
    if translations != [(VERSION_LANGUAGE, VERSION_CODE_PAGE)]:
        faults.append(f"soBeep.exe: translations {translations}, not [(0x411, 0x4b0)]")


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    dist, reference_dist, allowed_path = Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3]
    allowed = load_allowed(allowed_path)
    faults, counts = [], [0, 0]
    for program in PROGRAMS:
        try:
            pe, reference = PeFile(dist / program), PeFile(reference_dist / program)
            resources = check_program(pe, reference, allowed, faults, counts)
            if program == "soBeep.exe":
                check_version(resources, faults)
        except (OSError, ValueError, struct.error) as error:
            faults.append(f"{program}: {error}")
    for line in faults:
        print(line)
    checked = ", ".join(PROGRAMS)
    if faults:
        print(f"{len(faults)} fault(s) in {checked} of {dist}")
        return 1
    print(f"{checked}: PE32 i386 GUI programs for Windows XP or later; {counts[0]} imports, "
          f"all in {Path(allowed_path).name}; {counts[1]} resources, byte for byte those of "
          f"{reference_dist}; the version block as fixed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
