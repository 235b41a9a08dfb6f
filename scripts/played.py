#!/usr/bin/env python3
"""Tells what a run of the player played, from the session's capture.

  played.py FILE.wav CAPTURE_DIR OUTPUT START END EXIT_CODE

OUTPUT says where the audio went besides the capture ("no sound output"
when nowhere). Exits 0 when the capture holds exactly the file's samples
and the player exited with 0.
"""
import os
import struct
import sys


def padding_limit():
    """The silence Wine's audio output may add around the data, in bytes: a
    period whenever it finds its buffer empty while the stream runs, just
    before the data or just after it. Written once, for the tests too."""
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "tests", "win", "output_padding_limit.txt")) as f:
        return next(int(line) for line in f if line.strip() and not line.startswith("#"))


def wave_data(path):
    data, rate, channels, bits = b"", 0, 0, 0
    with open(path, "rb") as f:
        blob = f.read()
    pos = 12
    while pos + 8 <= len(blob):
        tag, size = blob[pos:pos + 4], struct.unpack("<I", blob[pos + 4:pos + 8])[0]
        if tag == b"fmt ":
            _, channels, rate, _, _, bits = struct.unpack("<HHIIHH", blob[pos + 8:pos + 24])
        elif tag == b"data":
            data = blob[pos + 8:pos + 8 + size]
        pos += 8 + size + (size & 1)
    return data, rate, channels, bits


def main():
    path, capture, output = sys.argv[1], sys.argv[2], sys.argv[3]
    start, end, code = float(sys.argv[4]), float(sys.argv[5]), int(sys.argv[6])
    data, rate, channels, bits = wave_data(path)
    files = sorted(os.listdir(capture)) if os.path.isdir(capture) else []
    played = b"".join(open(os.path.join(capture, f), "rb").read() for f in files)
    seconds = len(data) / (rate * channels * bits / 8) if rate and channels and bits else 0
    at = played.find(data) if data else -1
    padding = played[:at] + played[at + len(data):] if at >= 0 else b""
    whole = at >= 0 and len(padding) <= padding_limit() and not padding.strip(b"\0")
    verdict = "played the whole file" if whole else (
        "played nothing" if not played else "played audio that differs from the file")
    where = ("into the capture only (no sound output)" if output == "no sound output"
             else f"to {output} and into the capture")
    if whole and padding:
        verdict += f" (and {len(padding)} bytes of the output's silence)"
    print(f"{os.path.basename(path)}: {verdict} {where}: "
          f"{len(played) - len(padding)} of {len(data)} bytes of audio "
          f"({seconds:.2f} s at {rate} Hz), {len(files)} device open(s), "
          f"{end - start:.2f} s from start to exit, exit code {code}")
    return 0 if whole and code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
