#!/bin/bash
# The installed copy: `cmake --install` into a temporary prefix through DESTDIR, then moved,
# so nothing of it can lean on the build folder or on the prefix it was installed for. Its
# programs answer --help and --version without touching a device and refuse an unknown
# option; its installer lays the program out on a fresh device from its own folders, and the
# copy on the device runs; the menu entry passes desktop-file-validate.
# Usage: installed_copy.sh build-folder version
set -u
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failed=1; fi
}

DESTDIR=$work/stage cmake --install "$build" --prefix /opt/slateway >"$work/install.log" ||
  { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }
mv "$work/stage/opt/slateway" "$work/moved"
prefix=$work/moved
export SLATEWAY_DEVICE_ROOT=$work/device

for program in Slateway slateway-install; do
  out=$("$prefix/bin/$program" --version)
  check "$program --version" test $? = 0 -a "$out" = "$program (Slateway) $version"
  "$prefix/bin/$program" --help >"$work/help"
  check "$program --help" test $? = 0 -a "$(head -n1 "$work/help" | cut -d' ' -f1-2)" = "Usage: $program"
  "$prefix/bin/$program" --no-such-option >"$work/out" 2>"$work/err"
  check "$program refuses an unknown option" test $? = 2 -a ! -s "$work/out" -a "$(wc -l <"$work/err")" = 1
  check "$program names the unknown option" grep -q -- "--no-such-option" "$work/err"
done
check "no device is touched by those" test ! -e "$SLATEWAY_DEVICE_ROOT"
for program in Slateway slatelaunch slateway-install; do
  check "$program does not reach into the build folder" \
    bash -c "! readelf -d '$prefix/bin/$program' | grep -qF '$build'"
  check "$program has a manual page" test -s "$prefix/share/man/man1/$program.1"
done

"$prefix/bin/slateway-install" </dev/null >"$work/out"
check "slateway-install installs onto a fresh device" test $? = 0
installed="$SLATEWAY_DEVICE_ROOT/Program Files/Slateway"
check "the language library is on the device" test -s "$installed/QVNLANGUAGE.DLL"
check "the help file is on the device" test -s "$installed/Slateway.htm"
out=$("$installed/Slateway" --version)
check "the device's copy runs" test $? = 0 -a "$out" = "Slateway (Slateway) $version"
out=$("$prefix/bin/slateway-install" --update </dev/null)
check "an update of the same installation has nothing to do" \
  test $? = 0 -a "$out" = "slateway-install: Slateway is installed and up to date in $SLATEWAY_DEVICE_ROOT"

check "the menu entry is valid" desktop-file-validate "$prefix/share/applications/slateway.desktop"
# A PNG's header names its width and height (bytes 17-24, big-endian).
header=$(head -c 24 "$prefix/share/icons/hicolor/48x48/apps/slateway.png" | od -An -tu1 | tr -s ' \n' ' ')
check "the icon is a 48 x 48 picture" test "$header" = " 137 80 78 71 13 10 26 10 0 0 0 13 73 72 68 82 0 0 0 48 0 0 0 48 "
exit $failed
