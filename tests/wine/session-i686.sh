#!/usr/bin/env bash
# The Wine session of the shipped i686 build: session.sh with a 32-bit Wine.
#
#   session-i686.sh start DIR KEEPER.exe [ARGS...]   ARGS go on to session.sh
#   session-i686.sh stop DIR
#
# The Wine is the system's wine32 where it is installed and runs; otherwise
# a private one (wine32-root.sh), run natively where the kernel runs 32-bit
# programs and under QEMU's user-mode emulator where it does not.
# SOBEEP_WINE32_EMULATED=1 takes the emulated way on any machine.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/i386.sh
source "$here/../../scripts/i386.sh"

if [ "$1" != start ]; then
  exec bash "$here/session.sh" "$@"
fi
dir=$2 keeper=$3
shift 3

extra=()
if [ "${SOBEEP_WINE32_EMULATED:-0}" != 1 ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  loader=/usr/lib/wine/wine
  way="the system's wine32"
elif [ "${SOBEEP_WINE32_EMULATED:-0}" != 1 ] && runs_i386_natively; then
  loader=$(bash "$here/wine32-root.sh")/wine
  way="a private wine32, run natively"
else
  loader=$(bash "$here/wine32-root.sh" --emulator)/wine-qemu
  way="a private wine32 under qemu-i386"
  # No debugger can attach to a process under QEMU: a crash would wait for
  # it forever. Without winedbg a crash just ends the process.
  # The kernel drivers that Wine's device host (winedevice.exe) loads at
  # boot, for volumes, network and USB/HID devices, crash it under QEMU
  # ("uncaught target signal 11") again and again; the programs use none of
  # them. Without them the device host starts nothing and ends quietly.
  extra+=('export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d;mountmgr.sys,nsiproxy.sys,ndis.sys,winebus.sys,wineusb.sys=d"')
fi
echo "i686 session: $way ($loader)"
SESSION_ENV=$(printf '%s\n' ${extra[@]+"${extra[@]}"}) exec bash "$here/session.sh" start "$dir" "$loader" "$keeper" "$@"
