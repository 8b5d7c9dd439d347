#!/usr/bin/env bash
# Installs what building and playing the demo need, and only what is missing:
#   scripts/deps.sh play    the demo and its music
#   scripts/deps.sh video   that, and the capture tool's ffmpeg (no display)
#   scripts/deps.sh web     what playing needs, and emscripten for the page
#   scripts/deps.sh test    all of that, and what the tests and the release need,
#                           the browser tests' chromium and puppeteer-core (default)
# Debian and Ubuntu only; elsewhere it names the packages and stops.
set -euo pipefail

play=(cmake make g++ pkg-config libsdl1.2-compat-dev libsdl-mixer1.2-dev libmad0-dev libgl-dev libpng-dev lame)
video=("${play[@]}" ffmpeg libgl1-mesa-dri)
web=("${play[@]}" emscripten)
test=("${video[@]}" emscripten libgtest-dev xvfb xauth dpkg-dev chromium)

case "${1:-test}" in
  play) packages=("${play[@]}") ;;
  video) packages=("${video[@]}") ;;
  web) packages=("${web[@]}") ;;
  test) packages=("${test[@]}") ;;
  *) echo "deps: usage: $0 [play|video|web|test]" >&2; exit 2 ;;
esac
# npm comes with some builds of node; Debian's node needs Debian's npm.
if [ "${1:-test}" = test ] && ! command -v npm >/dev/null 2>&1; then
  packages+=(npm)
fi

if ! command -v apt-get >/dev/null 2>&1 || ! command -v dpkg-query >/dev/null 2>&1; then
  echo "deps: this script installs with apt on Debian or Ubuntu." >&2
  echo "deps: install these packages (or your system's equivalents) by hand: ${packages[*]}" >&2
  exit 1
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "deps: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The browser tests drive chromium with puppeteer-core at the versions the
# lockfile pins, without a browser of its own; reinstalled when it changes.
if [ "${1:-test}" = test ]; then
  web_tests="$(dirname "$0")/../tests/web"
  if [ ! "$web_tests/node_modules/.package-lock.json" -nt "$web_tests/package-lock.json" ]; then
    echo "deps: installing the browser tests' node modules"
    npm ci --prefix "$web_tests" --no-audit --no-fund --ignore-scripts --loglevel=error
  fi
fi
