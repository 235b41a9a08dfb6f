#!/usr/bin/env bash
# Takes the README's four pictures of the real player: the tray menu, the
# Properties dialog from the tray and in settings mode, and the About box,
# as PNG files in docs/images/ (the help viewer's picture is not one of
# them). Runs in a private Wine session on its own
# Xvfb display; needs a build (scripts/build.sh) and ImageMagick's import.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

win=$(win_build "$test_arch")
pose=$win/tests/win/ui_pose.exe
player=$win/player/soBeep.exe
[ -f "$pose" ] && [ -f "$player" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
command -v import >/dev/null || { echo "ImageMagick's import is missing" >&2; exit 1; }
loader=$(wine_loader "$test_arch")

session=$build/screenshots-session
out=$root/docs/images
mkdir -p "$out"
bash "$root/tests/wine/session.sh" start "$session" "$loader" "$win/tests/win/session_keeper.exe"
trap 'bash "$root/tests/wine/session.sh" stop "$session"' EXIT
# shellcheck disable=SC1091
source "$session/env"

winpath() { echo "Z:${1//\//\\}"; }

# A silent tone that repeats, so the player stays in the tray.
wave=$session/pose.wav
{
  printf 'RIFF\x24\xb1\x02\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00'
  printf '\x22\x56\x00\x00\x44\xac\x00\x00\x02\x00\x10\x00data\x00\xb1\x02\x00'
  head -c 176400 /dev/zero
} > "$wave"
"$WINELOADER" reg add 'HKCU\Software\norvan\SoBeep' /v Repeat /t REG_DWORD /d 8 /f >/dev/null 2>&1
"$WINELOADER" reg add 'HKCU\Software\norvan\SoBeep' /v Delay /t REG_DWORD /d 0 /f >/dev/null 2>&1

# shoot POSE NAME: holds the pose, photographs its rectangle, releases it.
shoot() {
  local done=$session/$2.done rect=$session/$2.rect
  rm -f "$done" "$rect"
  "$WINELOADER" "$pose" "$(winpath "$player")" "$(winpath "$wave")" "$1" "$(winpath "$done")" \
    >"$rect" 2>/dev/null &
  local holder=$!
  for _ in $(seq 200); do [ -s "$rect" ] && break; sleep 0.1; done
  if [ ! -s "$rect" ]; then echo "pose $1 did not appear" >&2; kill "$holder"; return 1; fi
  read -r x y w h <"$rect"
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$2.png"
  touch "$done"
  wait "$holder" || true
  echo "$out/$2.png (${w}x${h})"
}

shoot menu tray-menu
shoot properties properties-tray
shoot settings properties-settings
shoot about about
