# Whether this machine runs 32-bit (i386) Linux programs itself; sourced by
# the set-up, the test command and the i686 build's Wine session.

# Tried rather than guessed from the kernel's name: a 96-byte i386 program
# that exits with 42. An i386 handler of binfmt_misc (an emulator) would run
# it too, but not well enough for Wine, so that counts as no.
runs_i386_natively() {
  local probe status=0
  probe=$(mktemp)
  base64 -d > "$probe" <<'ELF'
f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuyoAAAC4AQAAAM2A
ELF
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ] || return 1
  ! grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386
}
