#!/usr/bin/env bash
# Sets everything up and starts Kestrum. With no display it runs under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" ./build/kestrum
fi
exec ./build/kestrum
