#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine,
# and any further packages named as arguments. Every step is skipped when it
# is already done, so the README's commands can call it each time at no
# cost. Run as root, or as a user who may use sudo.
set -euo pipefail

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# wine64 and the x86_64 cross compiler serve machines that cannot run
# 32-bit programs (see README); wine32 serves those that can.
packages=(cmake g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64
          xvfb xauth x11-utils locales fonts-ipafont-gothic imagemagick googletest
          clang libclang-rt-14-dev unzip zip python3 make "$@")
for p in "${packages[@]}"; do have "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# Under LANG=ja_JP.UTF-8 Wine uses code page 932, which the programs' texts are in.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
