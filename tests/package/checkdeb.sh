#!/bin/sh
# Builds the Debian package and checks it: its file list against the expected
# one, its dependencies and maintainer scripts, and that installing it into a
# private dpkg root and removing it again leaves nothing behind.
#   checkdeb.sh <build dir> <expected file list>
set -eu
build=$1
expected=$2
out=$build/pkgtest/deb
rm -rf "$out"
mkdir -p "$out"
cd "$build"
cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/kt900_*.deb)
[ "$(echo "$deb" | wc -l)" -eq 1 ] || { echo "expected one package, got: $deb"; exit 1; }

fail() { echo "FAIL: $*"; exit 1; }

# The file list: every entry with its type (d directory, - file, l link).
dpkg-deb -c "$deb" >"$out/contents.txt"
awk '{ t = substr($1, 1, 1); $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); sub(/ -> .*/, ""); print t " " $0 }' \
    "$out/contents.txt" | sort >"$out/files.txt"
if ! diff -u "$expected" "$out/files.txt"; then
    fail "the package's file list differs from $expected"
fi
grep -q 'usr/bin/kt900-studio -> \.\./libexec/kt900/Tovak Studio For KT900' \
    "$out/contents.txt" || fail "kt900-studio is not a relative link to the launcher"

# Control data.
[ "$(dpkg-deb -f "$deb" Package)" = kt900 ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt5widgets5 libqt5gui5 libqt5core5a libusb-1.0-0 libc6 libstdc++6; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
echo "$depends" | grep -q "libqt5test5" && fail "Depends names the test library: $depends"
dpkg-deb -e "$deb" "$out/control"
for s in postinst postrm; do
    [ -x "$out/control/$s" ] || fail "no executable $s"
    sh -n "$out/control/$s" || fail "$s does not parse"
done
grep -q 'udevadm trigger' "$out/control/postinst" || fail "postinst does not trigger udev"

# Install and remove in a private dpkg root (the scripts see DPKG_ROOT and
# leave the running system's udev alone).
root=$out/dpkgroot
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status"
dpkg_private() { dpkg --root="$root" --force-not-root --force-depends --force-script-chrootless --log=/dev/null "$@"; }
dpkg_private -i "$deb" >"$out/dpkg-install.log" 2>&1 || { cat "$out/dpkg-install.log"; fail "dpkg -i"; }
[ -x "$root/usr/libexec/kt900/TOVAK_KT900/TOVAK_KT900" ] || fail "the editor was not installed"
[ -x "$root/usr/bin/kt900-studio" ] || fail "the menu entry's command was not installed"
dpkg_private -r kt900 >"$out/dpkg-remove.log" 2>&1 || { cat "$out/dpkg-remove.log"; fail "dpkg -r"; }
left=$(cd "$root" && find . -mindepth 1 ! -path './var' ! -path './var/lib' ! -path './var/lib/dpkg' ! -path './var/lib/dpkg/*')
[ -z "$left" ] || fail "left behind after removal: $left"

size=$(stat -c %s "$deb")
echo "package: $(basename "$deb"), $size bytes, installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $depends"
