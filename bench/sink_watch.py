#!/usr/bin/env python3
"""Timestamps the sound that reaches a PulseAudio sink.

  sink_watch.py SERVER SOURCE RATE OUT

Records SOURCE (a null sink's monitor) with parec, 16-bit mono at RATE,
and writes one line to OUT for each stretch of sound, once 150 ms of
silence have followed it:

  sound FIRST LAST BYTES

FIRST and LAST are the host's real-time clock (the probe's clock) at the
moment the sink rendered the first and the last non-zero sample; BYTES is
the stretch's length.

A null sink renders on its own clock in blocks as short as the shortest
latency its monitor is asked for, and renders silence while nothing plays,
so the monitor is one gap-free stream: the byte at position p was rendered
(p_end - p) / byte rate before the block that ends at p_end. Each block
reaches this program a little after it was rendered, never before, so the
earliest arrival among the blocks around p, each carried back to p, bounds
p's render time from above; the bound is within about one block (5 ms
asked for here) of the true time.
"""
import os
import subprocess
import sys
import time

LATENCY_MS = 5
SILENCE_AFTER = 0.150
# Blocks within this many bytes after a sample are used to date it; close
# enough that the clocks of the sink and this host cannot drift apart.
WINDOW_SECONDS = 1.0


class Moment:
    """A position in the stream and the earliest time any block says it had."""

    def __init__(self, position):
        self.position = position
        self.time = float("inf")

    def see(self, end, arrived, byte_rate, window):
        if self.position < end <= self.position + window:
            self.time = min(self.time, arrived - (end - self.position) / byte_rate)


def main():
    server, source, rate, out_path = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
    byte_rate = rate * 2
    out = open(out_path, "w", buffering=1)
    parec = subprocess.Popen(
        ["parec", "--server=" + server, "-d", source, "--format=s16le", "--rate=%d" % rate,
         "--channels=1", "--raw", "--latency-msec=%d" % LATENCY_MS],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    fd = parec.stdout.fileno()
    window = int(WINDOW_SECONDS * byte_rate)
    position = 0
    first = last = None  # Moments of the current stretch's first and last sample
    closed = []  # stretches that silence has ended, dated once blocks a window on have come

    while True:
        chunk = os.read(fd, 65536)
        if not chunk:
            break
        arrived = time.time()
        start = position
        position += len(chunk)
        body = chunk.lstrip(b"\0")
        if body:
            head = start + len(chunk) - len(body)
            tail = start + len(chunk.rstrip(b"\0"))
            if first is None:
                first = Moment(head - head % 2)
            last = Moment(tail - 2 + tail % 2)
        for moment in [first, last] + [m for pair in closed for m in pair]:
            if moment is not None:
                moment.see(position, arrived, byte_rate, window)
        if first is not None and position - last.position > SILENCE_AFTER * byte_rate:
            closed.append((first, last))
            first = last = None
        while closed and position - closed[0][1].position > window:
            a, b = closed.pop(0)
            out.write("sound %.6f %.6f %d\n" % (a.time, b.time, b.position + 2 - a.position))


if __name__ == "__main__":
    main()
