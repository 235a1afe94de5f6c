#!/usr/bin/env bash
# The Debian package that make deb built, checked without installing it: its control fields,
# then, unpacked into a temporary folder, the tool's version, a re-indent of the demo sample
# with the unpacked word files (found as ../share/qmate/setup from the tool), and the manual
# page rendered without a warning. Usage: run.sh BUILD
set -eu
BUILD=${1:?usage: run.sh BUILD}
cd "$(dirname "$0")/../.."
version=$(sed -n 's/^project(Quillmate VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$BUILD/qmate_${version}_$(dpkg --print-architecture).deb
WORK=$(mktemp -d "${TMPDIR:-/tmp}/qmate-deb-XXXXXX")
trap 'rm -rf "$WORK"' EXIT
fail() { echo "test-deb: $*" >&2; exit 1; }

dpkg-deb -I "$deb" >"$WORK/info"
for field in "Package: qmate" "Version: $version" "Depends: libc6" "Maintainer: " "Description: "; do
  grep -q "^ $field" "$WORK/info" || fail "no '$field' in the control fields"
done
dpkg-deb -x "$deb" "$WORK/root"
root=$WORK/root/usr
for file in bin/qmate share/qmate/setup/Keywords.dat share/qmate/setup/Replace.dat \
  share/man/man1/qmate.1.gz share/qmate/pre-commit; do
  [ -f "$root/$file" ] || fail "no /usr/$file in the package"
done

[ "$(env -u QMATE_SETUP "$root/bin/qmate" --version)" = "qmate $version" ] || fail "--version"
env -u QMATE_SETUP "$root/bin/qmate" reindent samples/demo.prg >"$WORK/packaged.prg"
"$BUILD/qmate" reindent --setup dist/setup samples/demo.prg >"$WORK/built.prg"
cmp -s "$WORK/packaged.prg" "$WORK/built.prg" || fail "the packaged tool re-indents demo.prg otherwise"
# The setup folder the packaged tool uses is the unpacked one: its saved qmate.ini is read back.
env -u QMATE_SETUP "$root/bin/qmate" settings --save >/dev/null
env -u QMATE_SETUP "$root/bin/qmate" settings | grep -qx "; read $root/share/qmate/setup/qmate.ini" ||
  fail "the packaged tool does not use $root/share/qmate/setup"

if command -v man >/dev/null 2>&1; then
  MANWIDTH=80 man --warnings=w -l "$root/share/man/man1/qmate.1.gz" >"$WORK/page" 2>"$WORK/warnings"
else
  gzip -dc "$root/share/man/man1/qmate.1.gz" | groff -man -Tutf8 -ww >"$WORK/page" 2>"$WORK/warnings"
fi
[ -s "$WORK/warnings" ] && fail "the manual page: $(cat "$WORK/warnings")"
# Every option and setting the help names is on the page.
for word in $("$root/bin/qmate" --help | grep -o -E -e '--[a-z-]+|^  [A-Za-z]+=' | sort -u); do
  grep -q -F -e "$word" "$WORK/page" || fail "the manual page lacks $word"
done
echo "test-deb: $(basename "$deb") passed"
