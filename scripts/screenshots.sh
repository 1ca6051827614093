#!/usr/bin/env bash
# Makes the README's pictures again: docs/main-en.png, docs/find-en.png,
# docs/hex-en.png, docs/options-en.png, docs/ports-en.png and the same five
# in Russian (-ru).
# Each language runs the program under its own Xvfb with a pseudo-terminal
# behind COM1 and a few messages received (scripts/screenshots.py).
# KESTRUM=path picks the program (default build/kestrum, built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
ensure_packages xvfb xauth xdotool imagemagick python3 fonts-liberation2

KESTRUM=${KESTRUM:-build/kestrum}
[ -x "$KESTRUM" ] || bash scripts/setup.sh
mkdir -p docs
for lang in en ru; do
  xvfb-run -a -s "-screen 0 1024x768x24" python3 scripts/screenshots.py "$KESTRUM" "$lang" docs
done
