#!/bin/sh
# Installs the libraries the demo needs at run time, with apt (Debian and
# Ubuntu). A default desktop has OpenGL but not SDL 1.2 or SDL_mixer 1.2.
set -e

sdl=libsdl1.2debian
# Where SDL 1.2 already comes as the layer over SDL 2, keep it: asking for
# the classic library would replace it.
if dpkg-query -W -f='${Status}' libsdl1.2-compat-shim 2>/dev/null | grep -q "install ok installed"; then
  sdl=libsdl1.2-compat-shim
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update
$sudo apt-get install -y "$sdl" libsdl-mixer1.2 libgl1 libgl1-mesa-dri libmad0
