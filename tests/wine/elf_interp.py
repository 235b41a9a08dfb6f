#!/usr/bin/env python3
"""Points a 32-bit ELF program at another ELF interpreter (ld.so).

    elf_interp.py PROGRAM INTERPRETER

The new path goes into the unused file space after the first loadable
segment, which is extended over it, so nothing else in the file moves.
"""
import struct
import sys

PT_LOAD, PT_INTERP = 1, 3


def main():
    path, interp = sys.argv[1], sys.argv[2].encode() + b"\0"
    data = bytearray(open(path, "rb").read())
    if data[:5] != b"\x7fELF\x01":
        sys.exit(f"{path}: not a 32-bit ELF file")
    phoff, = struct.unpack_from("<I", data, 28)
    phentsize, phnum = struct.unpack_from("<HH", data, 42)
    headers = [(phoff + i * phentsize, list(struct.unpack_from("<8I", data, phoff + i * phentsize)))
               for i in range(phnum)]
    loads = [h for h in headers if h[1][0] == PT_LOAD]
    (first_at, first), second = loads[0], loads[1][1]
    start = (first[4] + 15) & ~15
    end = start + len(interp)
    if first[1] != 0 or end > second[1] or any(data[start:end]):
        sys.exit(f"{path}: no free space after the first segment for {len(interp)} bytes")
    data[start:end] = interp
    first[4] = first[5] = end
    struct.pack_into("<8I", data, first_at, *first)
    for at, header in headers:
        if header[0] == PT_INTERP:
            header[1:6] = [start, first[2] + start, first[3] + start, len(interp), len(interp)]
            struct.pack_into("<8I", data, at, *header)
    open(path, "wb").write(data)


if __name__ == "__main__":
    main()
