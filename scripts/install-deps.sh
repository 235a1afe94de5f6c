#!/usr/bin/env bash
# Installs what a fresh Debian-like machine lacks for the test suite: the JSON library of the
# language server, Neovim for its client test, the MinGW-w64 i686 and x86-64 cross compilers,
# Wine with its 64-bit and 32-bit parts (the latter needs the i386 architecture), qemu's
# user-mode emulator, which runs 32-bit Wine where the kernel runs no 32-bit programs, and
# dpkg-dev and man-db for the test of the Debian package. Does nothing when they are present;
# when apt is unavailable or the user is not root it only says what is missing, and the tests
# that need it are then skipped.
set -u
need=()
have_package() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
[ -f /usr/include/nlohmann/json.hpp ] || need+=(nlohmann-json3-dev)
command -v nvim >/dev/null 2>&1 || need+=(neovim)
command -v i686-w64-mingw32-g++ >/dev/null 2>&1 || need+=(g++-mingw-w64-i686)
# qmate.exe for x64, and the 64-bit Wine that runs its tests.
command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1 || need+=(g++-mingw-w64-x86-64)
command -v wine64 >/dev/null 2>&1 || [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v wine >/dev/null 2>&1 || need+=(wine)
# Wine runs 32-bit programs only with wine32; "wine" alone may bring just the 64-bit part.
if command -v dpkg-query >/dev/null 2>&1 && ! have_package wine32:i386; then
  need+=(wine32:i386)
fi
command -v zip >/dev/null 2>&1 || need+=(zip)
command -v dpkg-shlibdeps >/dev/null 2>&1 || need+=(dpkg-dev)
command -v man >/dev/null 2>&1 || need+=(man-db)
[ -x /usr/bin/qemu-i386-static ] || need+=(qemu-user-static)
[ ${#need[@]} -eq 0 ] && exit 0
if [ "$(id -u)" != 0 ] || ! command -v apt-get >/dev/null 2>&1; then
  echo "install-deps: missing ${need[*]}; the tests that need them will be skipped" >&2
  exit 0
fi
echo "install-deps: installing ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
