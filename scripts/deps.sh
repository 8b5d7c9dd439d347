#!/usr/bin/env bash
# Installs what building and playing the demo need, and only what is missing:
#   scripts/deps.sh play    the demo and its music
#   scripts/deps.sh video   that, and the capture tool's ffmpeg (no display)
#   scripts/deps.sh test    that, and what the tests and the release need (default)
# Debian and Ubuntu only; elsewhere it names the packages and stops.
set -euo pipefail

play=(cmake make g++ pkg-config libsdl1.2-compat-dev libsdl-mixer1.2-dev libmad0-dev libgl-dev libpng-dev lame)
video=("${play[@]}" ffmpeg libgl1-mesa-dri)
test=("${video[@]}" libgtest-dev xvfb xauth dpkg-dev)

case "${1:-test}" in
  play) packages=("${play[@]}") ;;
  video) packages=("${video[@]}") ;;
  test) packages=("${test[@]}") ;;
  *) echo "deps: usage: $0 [play|video|test]" >&2; exit 2 ;;
esac

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
