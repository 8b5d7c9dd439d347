#!/usr/bin/env bash
# Installs what building, playing and testing the demo need, and only what is
# missing. Debian and Ubuntu only; elsewhere it names the packages and stops.
set -euo pipefail

packages=(
  cmake make g++ pkg-config
  libsdl1.2-compat-dev libsdl-mixer1.2-dev libmad0-dev libgl-dev libgl1-mesa-dri libpng-dev
  libgtest-dev lame ffmpeg xvfb xauth
)

if ! command -v apt-get >/dev/null 2>&1 || ! command -v dpkg-query >/dev/null 2>&1; then
  echo "deps: this script installs with apt on Debian or Ubuntu." >&2
  echo "deps: install these packages (or your system's equivalents) by hand: ${packages[*]}" >&2
  exit 1
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
