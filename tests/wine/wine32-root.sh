#!/usr/bin/env bash
# A private 32-bit Wine for machines where apt will not install wine32:i386
# system-wide: Debian's i386 packages unpacked into a folder of the user's
# cache, built once and reused.
#
#   wine32-root.sh [--emulator]   prints the root's folder, building it first
#                                 when it is missing; --emulator also puts
#                                 QEMU's i386 user-mode emulator into it
#
# The root holds two loaders for the same Wine:
#   ROOT/wine          runs it natively (a kernel that runs 32-bit programs)
#   ROOT/wine-qemu     runs it under qemu-i386-static (a kernel that does not)
# Both serve one 32-bit prefix with the machine's own 64-bit wineserver, so
# the root's Wine is pinned to the version of the installed wine64.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
want_emulator=0
[ "${1:-}" = --emulator ] && want_emulator=1

wine_version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null) || {
  echo "wine64 is not installed: the private 32-bit Wine is served by its wineserver" >&2
  exit 1
}
# Wine's libraries, and what it loads at run time for windows, fonts and
# sound (ALSA's file and null devices are built into libasound2). Names as
# Debian 12 has them; a release that renamed a library for its 64-bit time
# ABI (libasound2t64 on Debian 13) is asked for its name below.
packages=(wine32="$wine_version" libwine="$wine_version" wine32-preloader="$wine_version"
          libasound2 libasound2-plugins libx11-6 libxext6 libxrender1 libxrandr2 libxi6
          libxcursor1 libxinerama1 libxcomposite1 libxfixes3 libfreetype6 libfontconfig1
          libgnutls30)
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
# The machine's own Debian archive, from its apt sources (deb822 or the
# one-line form), so the root comes from wherever this machine's packages do.
mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null |
  grep -v security | head -n1)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" && $0 !~ /security/ {
    for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; exit } }' \
  /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null)
[ -n "$mirror" ] || { echo "no Debian archive in this machine's apt sources" >&2; exit 1; }

cache=${XDG_CACHE_HOME:-$HOME/.cache}/sobeep
key=$(printf '%s\n' "$codename" "$mirror" "${packages[@]}" | cat - "$0" "$here/elf_interp.py" |
  sha256sum | cut -c1-12)
root=$cache/wine32-$key
mkdir -p "$cache"

# One builder at a time; a second caller waits and then finds the root made.
exec 9>"$cache/wine32.lock"
flock 9

# apt_private TOOL DIR ARGS...: apt-get or apt-cache on the private lists.
apt_private() {
  local tool=$1 dir=$2; shift 2
  "$tool" -q -o Dir::Etc::SourceList="$dir/sources.list" -o Dir::Etc::SourceParts="$dir/none" \
    -o Dir::Etc::Preferences="$dir/none" -o Dir::Etc::PreferencesParts="$dir/none" \
    -o Dir::State::Lists="$dir/lists" -o Dir::State::status="$dir/status" \
    -o Dir::Cache="$dir/cache" -o Debug::NoLocking=1 "$@"
}

# The builtin zlib1.dll that libwine's install script makes from MinGW's
# zlib: Wine's loader takes a PE file as builtin only with this signature,
# and user32 does not load without it.
builtin_zlib() {
  local arch wine_arch in out
  for arch in i686 x86_64; do
    wine_arch=$arch
    [ "$arch" = i686 ] && wine_arch=i386
    in=$(echo "$1"/usr/$arch-w64-mingw32/lib/zlib1.dll)
    out=$1/usr/lib/i386-linux-gnu/wine/$wine_arch-windows/zlib1.dll
    { head -c 64 "$in"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$in"; } > "$out"
  done
}

build_root() {
  local work=$cache/wine32-build
  rm -rf "$work"
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/none" "$work/root"
  : > "$work/apt/status"
  # Only the release and its -updates: the i386 index of the security
  # archive does not always download whole, and one set of indexes keeps
  # every package of the root at versions built against each other.
  cat > "$work/apt/sources.list" <<SOURCES
deb [arch=i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $codename main
deb [arch=i386 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $codename-updates main
SOURCES
  local start=$SECONDS
  # Resolved for i386 alone against an empty status file: apt then never
  # weighs the machine's amd64 packages against their i386 twins.
  local i386=(-o APT::Architecture=i386 -o APT::Architectures::=i386)
  apt_private apt-get "$work/apt" "${i386[@]}" update > "$work/apt.log" 2>&1
  local wanted=() p
  for p in "${packages[@]}"; do
    if [[ $p != *=* ]] && [ -z "$(apt_private apt-cache "$work/apt" "${i386[@]}" showpkg "$p" |
        sed -n '/^Versions:/{n;/^[^ ]/p}')" ]; then
      p=${p}t64
    fi
    wanted+=("$p")
  done
  apt_private apt-get "$work/apt" "${i386[@]}" install -y -d --no-install-recommends "${wanted[@]}" \
    >> "$work/apt.log" 2>&1 || { tail -n 20 "$work/apt.log" >&2; return 1; }
  local fetched=$SECONDS count=0 deb
  for deb in "$work"/apt/cache/archives/*.deb; do
    dpkg -x "$deb" "$work/root"
    count=$((count + 1))
  done
  echo "wine32 root: $count i386 packages fetched in $((fetched - start)) s, unpacked in $((SECONDS - fetched)) s" >&2

  local r=$work/root d
  # From Debian 13 on, packages install into /usr alone and the base
  # system's links (/lib -> usr/lib, ...) make the usual paths; the root
  # gets them too, for the loader's /lib/ld-linux.so.2 among others.
  for d in lib bin sbin; do [ -e "$r/$d" ] || ln -s "usr/$d" "$r/$d"; done
  builtin_zlib "$r"
  # The loader finds ntdll.so, the DLLs and its data relative to its own
  # folder, but the kernel and Wine's preloader take its ELF interpreter
  # from an absolute path: point that at the root's own ld.so.
  python3 "$here/elf_interp.py" "$r/usr/lib/wine/wine" "$root/lib/ld-linux.so.2"
  rm "$r/usr/lib/wine/wine-preloader"
  # Under QEMU every path is looked up in the root first, as is ld.so's cache.
  printf '%s\n' /lib/i386-linux-gnu /usr/lib/i386-linux-gnu > "$r/etc/ld.so.conf"
  ldconfig -r "$r" 2>/dev/null || true

  # Natively, ld.so searches the machine's folders, not the root's; so do
  # dlopen (Wine's FreeType, X and sound libraries) and the paths that
  # libraries carry (libpulse's own folder, which ALSA's pulse plugins need
  # once the machine's ALSA configuration names them).
  local libs="$root/lib/i386-linux-gnu:$root/usr/lib/i386-linux-gnu"
  libs+=":$root/usr/lib/i386-linux-gnu/pulseaudio:$root/usr/lib/i386-linux-gnu/alsa-lib"
  # Wine starts every process, its first one too, through wine-preloader
  # beside the loader, so the way of running 32-bit code is set there: one
  # folder per way, each a full loader folder (Wine takes its own folder
  # from the running file, so these are copies, not links).
  cat > "$r/usr/lib/wine/wine-preloader" <<EOF
#!/bin/sh
LD_LIBRARY_PATH=$libs exec $root/usr/lib/wine/wine-preloader.static "\$@"
EOF
  cat > "$r/wine" <<EOF
#!/bin/sh
LD_LIBRARY_PATH=$libs exec $root/usr/lib/wine/wine "\$@"
EOF
  mkdir "$r/usr/lib/wine-qemu"
  cp "$r/usr/lib/wine/wine" "$r/usr/lib/wine/wine-preloader.static" "$r/usr/lib/wine-qemu/"
  ln -s ../wine/wineserver "$r/usr/lib/wine-qemu/wineserver"
  # -R reserves the whole 32-bit address space for the guest up front, as
  # Wine's own preloader expects; without it processes crash now and then.
  cat > "$r/usr/lib/wine-qemu/wine-preloader" <<EOF
#!/bin/sh
LD_LIBRARY_PATH=$libs exec $root/emulator/qemu-i386-static -L $root -R 0xffff0000 \\
  $root/usr/lib/wine-qemu/wine-preloader.static "\$@"
EOF
  cat > "$r/wine-qemu" <<EOF
#!/bin/sh
LD_LIBRARY_PATH=$libs exec $root/emulator/qemu-i386-static -L $root -R 0xffff0000 \\
  $root/usr/lib/wine-qemu/wine "\$@"
EOF
  # session.sh takes the server from beside the loader: Debian's wrapper,
  # which runs the machine's 64-bit wineserver.
  ln -s usr/lib/wine/wineserver "$r/wineserver"
  chmod +x "$r/wine" "$r/wine-qemu" "$r/usr/lib/wine/wine-preloader" \
    "$r/usr/lib/wine-qemu/wine-preloader"
  rm -rf "$root"
  mv "$r" "$root"
  rm -rf "$work"
  # Roots of other package sets or recipes are not used again.
  find "$cache" -maxdepth 1 -name 'wine32-*' -type d ! -path "$root" -exec rm -rf {} +
}

# QEMU's static i386 emulator, unpacked from its package into the root:
# Debian 12 has it as qemu-i386-static in qemu-user-static; from Debian 13
# on that package is empty and qemu-user's own qemu-i386 is the static one.
add_emulator() {
  local work=$cache/qemu-build package emulator=
  rm -rf "$work"
  for package in qemu-user-static qemu-user; do
    mkdir -p "$work/$package"
    (cd "$work" && apt-get download -q "$package" >> apt.log 2>&1) ||
      { tail -n 5 "$work/apt.log" >&2; return 1; }
    dpkg -x "$work/${package}"_*.deb "$work/$package"
    for emulator in "$work/$package"/usr/bin/qemu-i386-static "$work/$package"/usr/bin/qemu-i386; do
      [ -f "$emulator" ] && break
    done
    [ -f "$emulator" ] && break
  done
  [ -f "$emulator" ] || { echo "no qemu-i386 in qemu-user-static or qemu-user" >&2; return 1; }
  mkdir -p "$root/emulator.new"
  cp "$emulator" "$root/emulator.new/qemu-i386-static"
  mv "$root/emulator.new" "$root/emulator"
  rm -rf "$work"
}

[ -x "$root/wine" ] || build_root
[ "$want_emulator" = 0 ] || [ -x "$root/emulator/qemu-i386-static" ] || add_emulator
echo "$root"
