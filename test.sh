#!/usr/bin/env bash
# Builds everything, the tests included, and runs every test, headless, under
# a virtual X server.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh test
# Benchmarks measure, they do not pass or fail: run them with `ctest -L bench`.
xvfb-run -a -s "-screen 0 1280x720x24" \
  ctest --test-dir build -j"$(nproc)" -LE bench --output-on-failure
