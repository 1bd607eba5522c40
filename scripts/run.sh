#!/usr/bin/env bash
# Installs what is missing, builds kelvaro and opens the viewer on the bundled bridge example
# (or on the results file given as argument). Needs an X display.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
  echo "run.sh: no X display (DISPLAY is not set): kelvaro is a desktop program and needs one." >&2
  echo "        Run it inside a desktop session, or try scripts/test.sh for the headless tests." >&2
  exit 1
fi
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DKELVARO_WERROR=ON > /dev/null
cmake --build build --target kelvaro
exec build/app/kelvaro "${1:-examples/bridge.res}"
