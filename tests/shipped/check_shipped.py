#!/usr/bin/env python3
"""Static checks of the programs users get, read from their PE files.

    check_shipped.py DIST X86_64_DIST ALLOWED_IMPORTS KNOWN_DLLS

DIST holds the shipped i686 soBeep.exe and install.exe, X86_64_DIST the same
programs built for x86_64 (the build the Windows tests run), ALLOWED_IMPORTS
the DLL!function names that the oldest supported Windows has, KNOWN_DLLS the
DLLs that every supported Windows takes only from its system folder. Prints
one line per fault and exits 1 when there is any.
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path
from xml.parsers import expat

PROGRAMS = ("soBeep.exe", "install.exe")
IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_FILE_EXECUTABLE_IMAGE, IMAGE_FILE_DLL = 0x0002, 0x2000
# Windows XP is Windows NT 5.1: it refuses programs that ask for a later
# subsystem or system version.
OLDEST_WINDOWS = (5, 1)
DIR_IMPORT, DIR_RESOURCE, DIR_DELAY_IMPORT = 1, 2, 13
RT_VERSION, RT_MANIFEST = 16, 24
# The manifest that CreateProcess reads, in no language.
CREATEPROCESS_MANIFEST_RESOURCE_ID, LANG_NEUTRAL = 1, 0
ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
EXECUTION_LEVEL_PATH = "/".join(
    f"{{{ASM_V3}}}{tag}"
    for tag in ("trustInfo", "security", "requestedPrivileges", "requestedExecutionLevel"))
# Only the installer asks for an administrator; the player writes only the
# user's own settings.
MANIFEST_OF = {"soBeep.exe": False, "install.exe": True}
# A tiny tray program: 96 KiB each leaves room for the code it has, and a
# program that outgrows it has taken in something it should not.
MAX_PROGRAM_SIZE = 96 * 1024
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
        self.size = len(self.data)
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

    def resource_leaves(self):
        """(key, entries, data entry) per resource: key as in resources(),
        the file offsets of its directory entry at each level, and that of
        its data entry."""
        base, _ = self.directory(DIR_RESOURCE)
        leaves = []
        if not base:
            return leaves

        def label(entry_name):
            if entry_name & 0x80000000:
                at = base + (entry_name & 0x7FFFFFFF)
                length = self.u16(at)
                start = self.offset(at + 2)
                return self.data[start:start + 2 * length].decode("utf-16-le")
            return entry_name

        def walk(table, path, entries):
            named, numbered = self.u16(table + 12), self.u16(table + 14)
            for i in range(named + numbered):
                entry = table + 16 + 8 * i
                key = path + (label(self.u32(entry)),)
                here = entries + (self.offset(entry),)
                target = self.u32(entry + 4)
                if target & 0x80000000:
                    walk(base + (target & 0x7FFFFFFF), key, here)
                else:
                    leaves.append((key, here, self.offset(base + target)))

        walk(base, (), ())
        return leaves

    def resources(self):
        """{(type, name, language): bytes}; string identifiers as str."""
        found = {}
        for key, _, data_entry in self.resource_leaves():
            data_rva, size = struct.unpack_from("<II", self.data, data_entry)
            start = self.offset(data_rva)
            found[key] = self.data[start:start + size]
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


def load_known_dlls(path):
    lines = (line.strip() for line in Path(path).read_text(encoding="utf-8").splitlines())
    return {line.lower() for line in lines if line and not line.startswith("#")}


def manifest_faults(data):
    """What keeps a manifest from asking every Windows from XP on for an
    administrator the way Windows XP accepts."""
    faults = []
    # ElementTree resolves namespaces and so hides where they are declared;
    # expat without namespace processing reports each declaration as an
    # attribute of its element.
    declared_twice = []

    def start(tag, attributes):
        uris = [value for name, value in attributes.items()
                if name == "xmlns" or name.startswith("xmlns:")]
        declared_twice.extend(f"<{tag}> declares {uri}" for uri in sorted(set(uris))
                              if uris.count(uri) > 1)

    parser = expat.ParserCreate()
    parser.StartElementHandler = start
    try:
        parser.Parse(data, True)
        root = ElementTree.fromstring(data)
    except (expat.ExpatError, ElementTree.ParseError) as error:
        return [f"manifest is not well-formed XML: {error}"]
    faults += [f"{text} twice, which restarts Windows XP SP2 (KB921337)" for text in declared_twice]

    if root.tag != f"{{{ASM_V1}}}assembly" or root.get("manifestVersion") != "1.0":
        faults.append(f"manifest root is {root.tag} version {root.get('manifestVersion')}, "
                      f"not an assembly of {ASM_V1} version 1.0")
    identity = root.find(f"{{{ASM_V1}}}assemblyIdentity")
    if identity is None:
        faults.append("manifest has no assemblyIdentity")
    else:
        if "processorArchitecture" in identity.attrib:
            faults.append("manifest's assemblyIdentity names a processorArchitecture, "
                          "so the i686 and x86_64 resources differ")
        wanted = {"type": "win32", "version": ".".join(map(str, FILE_VERSION))}
        for attribute, value in wanted.items():
            if identity.get(attribute) != value:
                faults.append(f"manifest's assemblyIdentity has {attribute} "
                              f"{identity.get(attribute)!r}, not {value!r}")
        if not identity.get("name"):
            faults.append("manifest's assemblyIdentity has no name")
    levels = root.findall(EXECUTION_LEVEL_PATH)
    if len(levels) != 1:
        faults.append(f"manifest has {len(levels)} trustInfo/security/requestedPrivileges/"
                      f"requestedExecutionLevel in {ASM_V3}, not one")
    for level in levels:
        if (level.get("level"), level.get("uiAccess")) != ("requireAdministrator", "false"):
            faults.append(f"manifest asks for level {level.get('level')!r} with uiAccess "
                          f"{level.get('uiAccess')!r}, not 'requireAdministrator' with 'false'")
    return faults


def check_manifest(name, resources, faults):
    manifests = {key: data for key, data in resources.items() if key[0] == RT_MANIFEST}
    if not MANIFEST_OF[name]:
        if manifests:
            faults.append(f"{name}: carries a manifest {sorted(manifests, key=str)}, "
                          "which it should not")
        return
    wanted = (RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID, LANG_NEUTRAL)
    if list(manifests) != [wanted]:
        faults.append(f"{name}: manifests {sorted(manifests, key=str)}, not one with id 1 "
                      "in the neutral language")
    if wanted in manifests:
        faults += [f"{name}: {text}" for text in manifest_faults(manifests[wanted])]


def check_program(pe, reference, allowed, known_dlls, faults, counts):
    name = Path(pe.path).name

    def fault(text):
        faults.append(f"{name}: {text}")

    if pe.size > MAX_PROGRAM_SIZE:
        fault(f"{pe.size} bytes, more than 96 KiB ({MAX_PROGRAM_SIZE} bytes)")
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
        if dll.lower() not in known_dlls:
            fault(f"imports from {dll}, not a known DLL of every supported Windows: "
                  "Windows looks for it in the program's folder first")
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


def check(dist, reference_dist, allowed_path, known_dlls_path):
    """The faults of the shipped programs in dist, and a summary of what
    was checked."""
    allowed, known_dlls = load_allowed(allowed_path), load_known_dlls(known_dlls_path)
    faults, counts, sizes = [], [0, 0], []
    for program in PROGRAMS:
        try:
            pe, reference = PeFile(dist / program), PeFile(reference_dist / program)
            sizes.append(f"{program} {pe.size} bytes")
            resources = check_program(pe, reference, allowed, known_dlls, faults, counts)
            check_manifest(program, resources, faults)
            if program == "soBeep.exe":
                check_version(resources, faults)
        except (OSError, ValueError, struct.error) as error:
            faults.append(f"{program}: {error}")
    summary = (f"{', '.join(PROGRAMS)}: PE32 i386 GUI programs for Windows XP or later "
               f"({', '.join(sizes)}, at most {MAX_PROGRAM_SIZE}); {counts[0]} imports, all in "
               f"{Path(allowed_path).name}, from DLLs in {Path(known_dlls_path).name}; "
               f"{counts[1]} resources, byte for byte those of {reference_dist}; the version "
               "block as fixed; install.exe's manifest asks for an administrator")
    return faults, summary


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    dist, reference_dist = Path(sys.argv[1]), Path(sys.argv[2])
    faults, summary = check(dist, reference_dist, sys.argv[3], sys.argv[4])
    for line in faults:
        print(line)
    if faults:
        print(f"{len(faults)} fault(s) in {', '.join(PROGRAMS)} of {dist}")
        return 1
    print(summary)
    return 0


if __name__ == "__main__":
    sys.exit(main())
