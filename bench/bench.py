#!/usr/bin/env python3
"""Helpers for bench.sh.

  bench.py wave PATH SECONDS        write a 16-bit mono 22050 Hz tone
  bench.py table RAW REALTIME SOUND TRAY...
                                    print the table from bench.sh's samples

RAW holds one sample a line: "section<TAB>case<TAB>metric<TAB>value".
REALTIME holds one run at real time a line: "section<TAB>round<TAB>case<TAB>
load<TAB>probe output" (start= and end= on the host's real-time clock);
SOUND is sink_watch.py's log and each TRAY a tray_watch.py log, whose
events are matched to the runs by time.
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


def size_section(samples):
    print("Size (bytes, stripped, resources included)")
    for (section, case, metric), values in sorted(samples.items()):
        if section == "size":
            print("  %-44s %8d  (%.1f KiB)" % (case, values[0], values[0] / 1024))


def events(path, kinds):
    found = []
    try:
        with open(path) as f:
            for line in f:
                fields = line.split()
                if fields and fields[0] in kinds:
                    found.append((fields[0], float(fields[1]), fields[2:]))
    except FileNotFoundError:
        pass
    return found


def realtime_runs(rt_path, sound_path, tray_paths):
    """Per section, per case, a list of (round, figures) with figures in ms."""
    sounds = [(t, float(rest[0]), int(rest[1])) for _, t, rest in events(sound_path, {"sound"})]
    tray = []
    for path in tray_paths:
        tray += events(path, {"show", "gone", "map", "unmap"})
    runs = {}
    with open(rt_path) as f:
        for line in f:
            section, round_, case, load_, out = line.rstrip("\n").split("\t")
            fields = dict(pair.split("=", 1) for pair in out.split())
            start, end = float(fields["start"]), float(fields["end"])
            heard = [s for s in sounds if start <= s[0] <= end]
            figures = {"whole run": float(fields["ms"]), "load": float(load_)}
            if heard:
                last = max(s[1] for s in heard)
                figures["start to first sound"] = 1000 * (heard[0][0] - start)
                figures["last sound to exit"] = 1000 * (end - last)
                figures["heard bytes"] = sum(s[2] for s in heard)
                # The icon goes in the player's own call, before it exits.
                shown = [t for k, t, _ in tray if k in ("show", "map") and start <= t <= end]
                gone = [t for k, t, _ in tray if k in ("gone", "unmap") and last - 0.05 <= t <= end]
                if case == "soBeep" and shown:
                    figures["start to icon shown"] = 1000 * (shown[0] - start)
                if case == "soBeep" and gone:
                    figures["last sound to icon gone"] = 1000 * (gone[0] - last)
            runs.setdefault(section, {}).setdefault(case, {})[round_] = figures
    return runs


REALTIME_FIGURES = ("start to first sound", "start to icon shown", "last sound to icon gone",
                    "last sound to exit", "whole run")


def realtime_section(runs, section, title):
    cases = runs.get(section)
    if not cases:
        return {}
    print(title)
    loads = [f["load"] for case in cases.values() for f in case.values()]
    print("  load average during the runs: median %.2f, %.2f-%.2f" % (
        statistics.median(loads), min(loads), max(loads)))
    result = {}
    for figure in REALTIME_FIGURES:
        for case in ("soBeep", "ref_mci", "ref_playsound"):
            values = [f[figure] for f in cases.get(case, {}).values() if figure in f]
            if values:
                print(row("%s: %s" % (case, figure), values, "ms"))
        player = cases.get("soBeep", {})
        for ref in ("ref_mci", "ref_playsound"):
            other = cases.get(ref, {})
            pairs = [player[r][figure] - other[r][figure] for r in player
                     if r in other and figure in player[r] and figure in other[r]]
            if pairs:
                lo, med, hi = quartiles(pairs)
                print("    soBeep - %-13s paired median %+7.1f ms   IQR %+.1f..%+.1f   n=%d" % (
                    ref, med, lo, hi, len(pairs)))
                result[(figure, ref)] = med
        values = [f[figure] for f in player.values() if figure in f]
        if values:
            result[(figure, "soBeep")] = values
    missing = sum(1 for case in cases.values() for f in case.values()
                  if "start to first sound" not in f)
    print("  runs whose sound the sink did not hear: %d" % missing)
    return result


def slope(values):
    """Least-squares growth per step."""
    n = len(values)
    if n < 2:
        return 0.0
    mean_x, mean_y = (n - 1) / 2, statistics.mean(values)
    return sum((i - mean_x) * (v - mean_y) for i, v in enumerate(values)) / sum(
        (i - mean_x) ** 2 for i in range(n))


def repeat_section(samples):
    player = samples.get(("repeat", "program", "pct"), [])
    if not player:
        return {}
    print("Repeat run at real time, icon blinking: each minute (% of one core; private KiB)")
    result = {}
    # Memory is sampled only while the player lives: a minute it did not
    # finish is not counted.
    whole = len(samples.get(("repeat", "program", "private"), []))
    for key, label, unit in ((("repeat", "program", "pct"), "soBeep CPU", "%"),
                             (("repeat", "explorer", "pct"), "explorer CPU", "%"),
                             (("repeat", "wineserver", "pct"), "wineserver CPU", "%"),
                             (("repeat", "program", "private"), "soBeep private", "KiB")):
        values = samples.get(key, [])[:whole]
        if not values:
            continue
        print(row(label, values, unit))
        print("    minute by minute: %s" % " ".join("%.2f" % v if unit == "%" else "%d" % v
                                                    for v in values))
        print("    growth: %+.3f %s a minute (least squares), last - first minute %+.2f %s" % (
            slope(values), unit, values[-1] - values[0], unit))
        result[label] = values
    ended = samples.get(("repeat", "ended", "minute"), [])
    if ended:
        print("  THE PLAYER ENDED BY ITSELF in minute %d; that minute is left out" % ended[0])
    opens = samples.get(("repeat", "device", "opens"), [])
    if opens:
        print("  device opens (one per replay of the 30 s file): %d in %d minutes" % (
            opens[-1], len(opens)))
    loads = samples.get(("repeat", "load", "avg"), [])
    if loads:
        print("  load average each minute: %s" % " ".join("%.2f" % v for v in loads))
    for case, label in (("none", "nothing playing"), ("ref_mci", "ref_mci playing"),
                        ("ref_playsound", "ref_playsound playing")):
        for process in ("program", "explorer", "wineserver"):
            values = samples.get(("cpu-" + case, process, "pct"), [])
            if values:
                print(row("%s: %s CPU" % (label, process), values, "%"))
                result["%s %s" % (case, process)] = values
    return result


def goals(desktop, repeat):
    print("Goals (desktop display, real time)")
    first = desktop.get(("start to first sound", "ref_mci"))
    if first is not None:
        print("  first sound within 20 ms of ref_mci: paired median %+.1f ms: %s" % (
            first, "met" if first <= 20 else "missed"))
    for figure in ("last sound to icon gone", "last sound to exit"):
        values = desktop.get((figure, "soBeep"))
        if values:
            print("  %s within 100 ms: median %.1f ms, max %.1f ms: %s" % (
                figure, statistics.median(values), max(values),
                "met" if statistics.median(values) <= 100 else "missed"))
    cpu = repeat.get("soBeep CPU")
    if cpu:
        print("  soBeep under 0.5 %% of one core on Repeat: median %.2f %%: %s" % (
            statistics.median(cpu), "met" if statistics.median(cpu) < 0.5 else "missed"))
    for label in ("soBeep CPU", "soBeep private"):
        values = repeat.get(label)
        if values and len(values) > 1:
            unit = "%" if "CPU" in label else "KiB"
            print("  no growth of %s over %d minutes: %+.3f %s a minute" % (
                label, len(values), slope(values), unit))


def table(path, rt_path=None, sound_path=None, *tray_paths):
    samples = load(path)
    if rt_path:
        runs = realtime_runs(rt_path, sound_path, tray_paths)
        desktop = realtime_section(
            runs, "desktop", "Desktop display (openbox, trayer), PulseAudio null sink at real "
            "time, 0.2 s file (ms)")
        realtime_section(runs, "bare", "Bare display (no window manager, no tray), the same "
                         "sink, 0.2 s file (ms)")
        repeat = repeat_section(samples)
    print("Whole runs on the tests' display and ALSA capture (faster than real time)")
    short = timing_section(samples, "short", "Start to exit, 0.2 s file (ms)")
    long = timing_section(samples, "long", "Start to exit, 30 s file (ms)")
    if short is not None and long is not None:
        print("  growth of the paired overhead from 0.2 s to 30 s: %+.1f ms" % (long - short))
    timing_section(samples, "short-tray",
                   "Start to exit, 0.2 s file, another program's icon in the tray (ms)")
    memory_section(samples)
    size_section(samples)
    if rt_path:
        goals(desktop, repeat)


if __name__ == "__main__":
    if sys.argv[1] == "wave":
        write_wave(sys.argv[2], float(sys.argv[3]))
    elif sys.argv[1] == "table":
        table(*sys.argv[2:])
    else:
        sys.exit(__doc__)
