#!/usr/bin/env python3
"""Writes samples/chime.wav: a short two-note chime, 22050 Hz, 16-bit mono.

The file is generated rather than downloaded, and the output is the same on
every run, so the committed file can be checked against this script.
"""
import math
import struct
import sys

RATE = 22050
NOTES = ((880.0, 0.0), (1318.5, 0.18))  # A5, then E6 a little later
LENGTH = 0.9


def sample(t):
    value = 0.0
    for frequency, start in NOTES:
        if t >= start:
            age = t - start
            envelope = math.exp(-5.0 * age) * min(1.0, age / 0.005)
            value += envelope * (math.sin(2 * math.pi * frequency * age)
                                 + 0.3 * math.sin(4 * math.pi * frequency * age))
    return max(-32767, min(32767, int(round(9000.0 * value))))


def main(path):
    count = int(LENGTH * RATE)
    data = b"".join(struct.pack("<h", sample(i / RATE)) for i in range(count))
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16)
    header += b"data" + struct.pack("<I", len(data))
    with open(path, "wb") as out:
        out.write(header + data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "samples/chime.wav")
