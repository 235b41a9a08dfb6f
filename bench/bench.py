#!/usr/bin/env python3
"""Helpers for bench.sh.

  bench.py wave PATH SECONDS        write a 16-bit mono 22050 Hz tone
  bench.py table RAW                print the table from bench.sh's samples

RAW holds one sample a line: "section<TAB>case<TAB>metric<TAB>value".
"""
import math
import statistics
import struct
import sys
import wave

RATE = 22050


def write_wave(path, seconds):
    frames = int(seconds * RATE)
    tone = [int(12000 * math.sin(2 * math.pi * 440 * i / RATE)) for i in range(RATE // 440 * 10)]
    data = struct.pack("<%dh" % len(tone), *tone)
    out = bytearray()
    while len(out) < frames * 2:
        out += data
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(out[: frames * 2]))


def quartiles(values):
    values = sorted(values)
    if len(values) < 4:
        return values[0], statistics.median(values), values[-1]
    q = statistics.quantiles(values, n=4, method="inclusive")
    return q[0], q[1], q[2]


def load(path):
    samples = {}
    with open(path) as f:
        for line in f:
            section, case, metric, value = line.rstrip("\n").split("\t")
            samples.setdefault((section, case, metric), []).append(float(value))
    return samples


def row(label, values, unit, scale=1.0):
    lo, med, hi = quartiles([v * scale for v in values])
    return "  %-28s %10.1f %s   IQR %.1f-%.1f   min-max %.1f-%.1f   n=%d" % (
        label, med, unit, lo, hi, min(values) * scale, max(values) * scale, len(values))


def paired(a, b):
    return [x - y for x, y in zip(a, b)]


def timing_section(samples, section, title):
    get = lambda case: samples.get((section, case, "ms"), [])
    player, mci, playsound, aplay = get("soBeep"), get("ref_mci"), get("ref_playsound"), get("aplay")
    if not player:
        return None
    print(title)
    for label, values in (("soBeep.exe", player), ("ref_mci (open/play wait/close)", mci),
                          ("ref_playsound (SND_SYNC)", playsound), ("aplay (native, no Wine)", aplay)):
        if values:
            print(row(label, values, "ms"))
    overhead = paired(player, mci)
    m = statistics.median
    print("  soBeep / ref_mci        %.2fx   overhead (paired median) %+.1f ms, IQR %.1f..%.1f" % (
        m(player) / m(mci), m(overhead), *quartiles(overhead)[::2]))
    if playsound:
        print("  soBeep / ref_playsound  %.2fx" % (m(player) / m(playsound)))
    if aplay:
        print("  soBeep / aplay          %.2fx   ref_mci / aplay %.2fx" % (m(player) / m(aplay),
                                                                        m(mci) / m(aplay)))
    bad = samples.get((section, "bad", "runs"), [])
    print("  runs that failed or did not play the whole file: %d" % int(sum(bad)))
    return m(overhead)


def memory_section(samples):
    print("Memory while playing (peak of 1 ms samples of GetProcessMemoryInfo; KiB)")
    peaks = {}
    for section, name in (("short", "0.2 s"), ("long", "30 s")):
        for case in ("soBeep", "ref_mci"):
            private = samples.get(("mem-" + section, case, "private"), [])
            ws = samples.get(("mem-" + section, case, "ws"), [])
            if not private:
                continue
            peaks[(section, case)] = statistics.median(private)
            print(row("%s %s private" % (case, name), private, "KiB", 1 / 1024))
            print(row("%s %s working set" % (case, name), ws, "KiB", 1 / 1024))
    if ("short", "soBeep") in peaks and ("long", "soBeep") in peaks:
        for case in ("soBeep", "ref_mci"):
            print("  %-8s private, 30 s - 0.2 s: %+.1f KiB" % (
                case, (peaks[("long", case)] - peaks[("short", case)]) / 1024))
        print("  soBeep - ref_mci private: 0.2 s %+.1f KiB, 30 s %+.1f KiB" % (
            (peaks[("short", "soBeep")] - peaks[("short", "ref_mci")]) / 1024,
            (peaks[("long", "soBeep")] - peaks[("long", "ref_mci")]) / 1024))


def idle_section(samples):
    rounds = samples.get(("idle", "interval", "s"), [])
    if not rounds:
        return
    print("Idle cost: CPU over %.0f s of playback of a long file (%% of one core; utime+stime)" %
          statistics.median(rounds))
    for case, label in (("none", "nothing playing"), ("ref_mci", "ref_mci playing"),
                        ("soBeep", "soBeep playing, icon blinking")):
        for process in ("program", "explorer", "wineserver"):
            values = samples.get(("idle-" + case, process, "pct"), [])
            if values:
                name = "%s: %s" % (label, process)
                print(row(name, values, "%"))


def size_section(samples):
    print("Size (bytes, stripped, resources included)")
    for (section, case, metric), values in sorted(samples.items()):
        if section == "size":
            print("  %-44s %8d  (%.1f KiB)" % (case, values[0], values[0] / 1024))


def table(path):
    samples = load(path)
    short = timing_section(samples, "short", "Start to exit, 0.2 s file (ms)")
    long = timing_section(samples, "long", "Start to exit, 30 s file (ms)")
    if short is not None and long is not None:
        print("  growth of the paired overhead from 0.2 s to 30 s: %+.1f ms" % (long - short))
    timing_section(samples, "short-tray",
                   "Start to exit, 0.2 s file, another program's icon in the tray (ms)")
    memory_section(samples)
    idle_section(samples)
    size_section(samples)


if __name__ == "__main__":
    if sys.argv[1] == "wave":
        write_wave(sys.argv[2], float(sys.argv[3]))
    elif sys.argv[1] == "table":
        table(sys.argv[2])
    else:
        sys.exit(__doc__)
