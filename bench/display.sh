#!/usr/bin/env bash
# The displays the benchmark plays on, each a private Xvfb:
#   display.sh start DIR desktop|bare   prints the display (":N")
#   display.sh stop DIR
# "desktop" is what a user's session has: a window manager (openbox) and a
# notification area that takes icons by XEmbed (trayer, which owns
# _NET_SYSTEM_TRAY_S0), so Wine docks tray icons into it. "bare" is the
# display the tests run on: no window manager and no tray, so Wine's
# explorer shows tray icons in a stand-alone window of its own.
# Both run bench/tray_watch.py, which writes DIR/tray.log.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cmd=$1 dir=$(realpath -m "$2")

stop_display() {
  local name
  for name in watch tray wm xvfb; do
    if [ -f "$dir/$name.pid" ]; then
      kill "$(cat "$dir/$name.pid")" 2>/dev/null || true
      rm -f "$dir/$name.pid"
    fi
  done
}

case "$cmd" in
  stop) stop_display; exit 0 ;;
  start) ;;
  *) echo "usage: $0 start DIR desktop|bare | stop DIR" >&2; exit 2 ;;
esac
kind=$3
stop_display
mkdir -p "$dir"
rm -f "$dir/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$dir/display" >/dev/null 2>&1 &
echo $! > "$dir/xvfb.pid"
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
[ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(cat "$dir/display")"
export DISPLAY

# Debian's own python3: python3-xlib is installed for it.
has_tray() {
  /usr/bin/python3 -c "from Xlib import display; d = display.Display()
owner = d.get_selection_owner(d.intern_atom('_NET_SYSTEM_TRAY_S0'))
raise SystemExit(0 if getattr(owner, 'id', 0) else 1)" 2>/dev/null
}

if [ "$kind" = desktop ]; then
  openbox --sm-disable >"$dir/wm.log" 2>&1 &
  echo $! > "$dir/wm.pid"
  trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --SetPartialStrut true --transparent false >"$dir/tray.log.err" 2>&1 &
  echo $! > "$dir/tray.pid"
  for _ in $(seq 100); do
    has_tray && xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  has_tray ||
    { echo "no XEmbed tray on $DISPLAY" >&2; exit 1; }
fi

/usr/bin/python3 "$here/tray_watch.py" "$dir/tray.log" >/dev/null 2>"$dir/watch.err" &
echo $! > "$dir/watch.pid"
echo "$DISPLAY"
