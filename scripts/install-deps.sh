#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 or 13 machine,
# and any further packages named as arguments. Every step is skipped when it
# is already done, so the README's commands can call it each time at no
# cost. Run as root, or as a user who may use sudo.
#
# Mirrors are not always whole: one index can fail to download while the
# others are fine, and the i386 twins of updated amd64 libraries can lag
# behind. Neither stops the set-up while what it needs can be installed.
set -euo pipefail

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
apt_install() {
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# An index that fails to download (a mirror in the middle of a sync) is
# tried again; if it still fails, the install below decides: the other
# indexes may hold everything needed.
refresh_indexes() {
  local attempt
  for attempt in 1 2 3; do
    as_root apt-get update -qq && return 0
    [ "$attempt" -lt 3 ] && sleep "$attempt"
  done
  echo "note: apt-get update failed on some index after 3 tries; going on with the indexes it has"
}

# The wave output goes to ALSA's file plugin; its slave is the null device,
# or a PulseAudio/PipeWire server through the pulse plugin. A private
# PulseAudio server serves the test that plays to one; on a desktop that
# runs PipeWire's server instead, PulseAudio's would compete with it for the
# user's sound at the next login, so it is left out there (and that test
# says it was skipped).
packages=(cmake g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64
          xvfb xauth x11-utils locales fonts-ipafont-gothic imagemagick googletest
          clang clang-format clang-tidy unzip zip python3 make
          libasound2-plugins pulseaudio-utils "$@")
have pipewire-pulse || packages+=(pulseaudio)
need=()
for p in "${packages[@]}"; do have "$p" || need+=("$p"); done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  refresh_indexes
  apt_install "${need[@]}"
fi
# The sanitizers' and libFuzzer's runtime is packaged per clang version
# (libclang-rt-14-dev on Debian 12, libclang-rt-19-dev on Debian 13): the
# one of the clang the release installed.
clang_rt=libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev
if ! have "$clang_rt"; then
  echo "installing: $clang_rt"
  apt_install "$clang_rt" || { refresh_indexes && apt_install "$clang_rt"; }
fi

# 32-bit Wine runs the shipped i686 build as it is, but only where the
# kernel runs 32-bit programs.
source "$(dirname "$0")/i386.sh"

# Where apt refused wine32 (its i386 twins lag behind the amd64 libraries),
# it is asked again a day later, not on every run.
refused=${XDG_CACHE_HOME:-$HOME/.cache}/sobeep/wine32-refused
if have wine32:i386 && ! have libasound2-plugins:i386; then
  apt_install libasound2-plugins:i386
elif ! have wine32:i386; then
  if ! runs_i386_natively; then
    echo "skipped wine32:i386: this kernel does not run 32-bit programs; the tests run the x86_64 build under wine64"
  elif [ -n "$(find "$refused" -mmin -1440 2>/dev/null)" ]; then
    echo "skipped wine32:i386: apt refused it within the last day ($(cat "$refused")); the tests run the x86_64 build under wine64"
  else
    added_i386=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      as_root dpkg --add-architecture i386
      added_i386=1
    fi
    # ALSA's configuration names the PulseAudio plugin's hook, which a
    # 32-bit Wine loads as an i386 library: without it ALSA has no default
    # device at all.
    if log=$( { refresh_indexes && apt_install wine32:i386 libasound2-plugins:i386; } 2>&1); then
      echo "installed wine32:i386: the tests run the shipped i686 build"
      rm -f "$refused"
    else
      # Leave the machine as it was: no architecture it has no package of.
      if [ "$added_i386" -eq 1 ] && ! dpkg-query -W -f='${Architecture}\n' | grep -qx i386; then
        as_root dpkg --remove-architecture i386
        as_root apt-get update -qq >/dev/null 2>&1 || true
      fi
      mkdir -p "$(dirname "$refused")"
      echo "$log" | grep -m1 -E 'broken|unmet|Unable to locate' > "$refused" || echo "$log" | tail -n1 > "$refused"
      echo "skipped wine32:i386: apt refused it ($(cat "$refused")); the tests run the x86_64 build under wine64"
    fi
  fi
fi

# Under LANG=ja_JP.UTF-8 Wine uses code page 932, which the programs' texts are in.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
