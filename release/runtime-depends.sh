#!/bin/sh
# Writes the Debian dependency line of a program: dpkg-shlibdeps reads its
# NEEDED libraries and names the packages that hold them, with the lowest
# versions its symbols need; the packages of libraries it opens only at run
# time follow. Run by the build: runtime-depends.sh PROGRAM OUT [PACKAGE...]
set -e
program=$(realpath "$1")
out=$2
shift 2
if ! command -v dpkg-shlibdeps >/dev/null 2>&1; then
  echo "runtime-depends: dpkg-shlibdeps is missing; install the package dpkg-dev" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# dpkg-shlibdeps expects a package tree (a DEBIAN folder) and a control file.
mkdir -p "$work/debian" "$work/root/DEBIAN"
touch "$work/debian/control"
ln -s "$program" "$work/root/$(basename "$program")"
depends=$(cd "$work" && dpkg-shlibdeps -O "root/$(basename "$program")" | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "runtime-depends: dpkg-shlibdeps named no package for $program" >&2; exit 1; }
for package in "$@"; do
  depends="$depends, $package"
done
echo "$depends" > "$out.new"
mv "$out.new" "$out"
