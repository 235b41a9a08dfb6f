#!/usr/bin/python3
"""Watches a display from outside for the moments a tray icon comes and goes.

  tray_watch.py OUT

Writes one line per event to OUT, with the host's real-time clock (the
clock the probe stamps its runs with):

  dock  EPOCH WINDOW   a window was embedded into the XEmbed tray
  show  EPOCH WINDOW   that window was mapped there: the icon is visible
  gone  EPOCH WINDOW   it was unmapped, destroyed or taken out of the tray
  map   EPOCH WINDOW CLASS   a top-level window of Wine's explorer was mapped
  unmap EPOCH WINDOW CLASS   ... and unmapped (its stand-alone tray window,
                             on a display without an XEmbed tray)

The times are when the event reached this program: the X server sends it
as it handles the request, so they lag by the scheduling of this process
(well under a millisecond on an idle core).
"""
import sys
import time

from Xlib import X, display


def main():
    out = open(sys.argv[1], "w", buffering=1)
    d = display.Display()
    root = d.screen().root
    mask = d.display.info.resource_id_mask
    tray_atom = d.intern_atom("_NET_SYSTEM_TRAY_S0")
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    icons = set()

    def tray_client():
        owner = getattr(d.get_selection_owner(tray_atom), "id", 0)
        return owner & ~mask if owner else None

    def wine_class(window):
        try:
            names = window.get_wm_class()
        except Exception:
            return None
        if names and any(n.lower() == "explorer.exe" for n in names):
            return names[0]
        return None

    def note(kind, window, extra=""):
        out.write("%s %.6f 0x%x%s\n" % (kind, time.time(), window, extra))

    while True:
        event = d.next_event()
        kind = event.type
        if kind == X.ReparentNotify:
            client = tray_client()
            window = event.window.id
            if client is not None and event.parent.id & ~mask == client:
                icons.add(window)
                event.window.change_attributes(event_mask=X.StructureNotifyMask)
                note("dock", window)
            elif window in icons:
                icons.discard(window)
                note("gone", window)
        elif kind == X.MapNotify:
            window = event.window.id
            if window in icons:
                note("show", window)
            elif event.event.id == root.id:
                name = wine_class(event.window)
                if name:
                    note("map", window, " " + name)
        elif kind in (X.UnmapNotify, X.DestroyNotify):
            window = event.window.id
            if window in icons:
                icons.discard(window)
                note("gone", window)
            elif kind == X.UnmapNotify and event.event.id == root.id:
                name = wine_class(event.window)
                if name:
                    note("unmap", window, " " + name)


if __name__ == "__main__":
    main()
