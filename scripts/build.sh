#!/usr/bin/env bash
# Installs what is missing and builds into build/ what the purpose needs:
#   scripts/build.sh play    the demo and its music
#   scripts/build.sh video   that, and the capture tool
#   scripts/build.sh web     the page build/web/plums-under-glass.html
#   scripts/build.sh test    everything, the tests and the page included (default)
set -euo pipefail
cd "$(dirname "$0")/.."
purpose=${1:-test}
scripts/deps.sh "$purpose"
configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
case "$purpose" in
  play) targets=(demo music) ;;
  video) targets=(demo music capture) ;;
  web) targets=(web) ;;
  test) targets=(all); configure+=(-DBUILD_TESTING=ON) ;;
esac
cmake -S . -B build "${configure[@]}" >/dev/null
cmake --build build -j"$(nproc)" --target "${targets[@]}"
