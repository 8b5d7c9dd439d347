#!/bin/sh
# Installs the libraries the demo needs at run time, with apt (Debian and
# Ubuntu). runtime-depends, beside this script, was read off the program's
# own libraries when it was built.
set -e
cd "$(dirname "$0")"

# One package for each dependency: its first alternative, without versions.
# Then what the .deb recommends: Mesa's drivers, the software rasterizer
# among them, for machines without a GPU driver of their own.
packages=$(tr ',' '\n' < runtime-depends | sed 's/|.*//; s/(.*)//; s/[[:space:]]//g' | grep .)
packages="$packages
libgl1-mesa-dri"

# Where SDL 1.2 already comes as the layer over SDL 2, keep it: asking for
# the classic library by name would replace it.
if dpkg-query -W -f='${Status}' libsdl1.2-compat-shim 2>/dev/null | grep -q "install ok installed"; then
  packages=$(echo "$packages" | sed 's/^libsdl1\.2debian$/libsdl1.2-compat-shim/')
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update
# Missing packages are installed; those already there are left as they are.
$sudo apt-get install -y --no-upgrade $packages
