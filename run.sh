#!/usr/bin/env bash
# Builds the demo if needed and plays it full screen.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display here (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "run: SDL would open an invisible offscreen window, so the demo is not started." >&2
  exit 1
fi
cd build
exec ./demo
