#!/usr/bin/env bash
# Runs a command that needs 32-bit Wine, on any x86-64 kernel.
#   scripts/wine-run.sh probe            prints "native" or "emulated" (exit 0), or one line
#                                        saying why 32-bit Wine cannot run here (exit 1)
#   scripts/wine-run.sh native CMD...    runs CMD with one wineserver kept alive around it
#   scripts/wine-run.sh emulated CMD...  the same inside a private user and mount namespace
#                                        where every i386 program is handed to qemu-i386-static
# Some kernels have their 32-bit x86 execution switched off: any i386 program, Wine's 32-bit
# loader included, fails with "Exec format error". There qemu's user-mode emulator runs it.
# Nothing outside the namespace changes: the namespace gets a binfmt_misc instance of its own
# (Linux 6.7 and later), so the registration below vanishes with it.
# QMATE_WINE_EMULATE=1 makes the probe choose the emulation even where 32-bit programs run.
set -u
loader=/usr/lib/wine/wine
qemu=/usr/bin/qemu-i386-static

probe() {
  if ! command -v wine >/dev/null 2>&1; then
    echo "Wine is not installed (run make deps)"
    return 1
  fi
  [ -x "$loader" ] || loader=$(command -v wine)
  if [ "${QMATE_WINE_EMULATE:-0}" != 1 ] && "$loader" --version >/dev/null 2>&1; then
    echo native
    return 0
  fi
  if [ ! -x "$qemu" ]; then
    echo "this kernel runs no 32-bit programs and $qemu is missing (apt-get install qemu-user-static)"
    return 1
  fi
  if ! bash "$0" emulated "$loader" --version >/dev/null 2>&1; then
    echo "this kernel runs no 32-bit programs and 32-bit Wine does not start under $qemu in a private namespace (needs Linux 6.7 or later for a binfmt_misc of its own)"
    return 1
  fi
  echo emulated
}

# Registers i386 ELF executables (ET_EXEC) and shared objects (ET_DYN) with the emulator.
# binfmt_misc reads the \x escapes of magic and mask itself, so they are written as text.
register_qemu() {
  local misc=/proc/sys/fs/binfmt_misc
  mount -t binfmt_misc binfmt_misc "$misc" || return 1
  local head='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  local mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff'
  echo ":qmate-i386-exec:M::${head}\\x02\\x00\\x03\\x00:${mask}:${qemu}:F" >"$misc/register" &&
    echo ":qmate-i386-dyn:M::${head}\\x03\\x00\\x03\\x00:${mask}:${qemu}:F" >"$misc/register"
}

# Runs CMD with one persistent wineserver, so each Wine start inside CMD reuses it.
with_wineserver() {
  [ -n "${WINEPREFIX:-}" ] && mkdir -p "$WINEPREFIX"
  wineserver -p >/dev/null 2>&1 || true
  local status=0
  "$@" || status=$?
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  return "$status"
}

mode=${1:-}
shift || true
case $mode in
probe)
  probe
  ;;
native)
  with_wineserver "$@"
  ;;
emulated)
  if [ "${QMATE_WINE_INSIDE:-0}" != 1 ]; then
    QMATE_WINE_INSIDE=1 exec unshare -U -r -m --fork bash "$0" emulated "$@"
  fi
  register_qemu || {
    echo "wine-run: cannot register $qemu with a private binfmt_misc" >&2
    exit 126
  }
  # Without a reserved address space Wine fails to map its shared user data (c0000018).
  export QEMU_RESERVED_VA=0xffff0000
  with_wineserver "$@"
  ;;
*)
  echo "usage: wine-run.sh probe | native CMD... | emulated CMD..." >&2
  exit 2
  ;;
esac
