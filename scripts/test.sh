#!/usr/bin/env bash
# Sets everything up and runs the whole test suite headless: once on the
# normal build, once more built with AddressSanitizer and
# UndefinedBehaviorSanitizer (any report fails the run). Builds and checks
# the Debian package in between (scripts/package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
bash scripts/package.sh

if [ "${KESTRUM_SKIP_SANITIZERS:-0}" != "1" ]; then
  BUILD_DIR=build-asan CMAKE_EXTRA_ARGS="-DKESTRUM_SANITIZE=ON" bash scripts/setup.sh
  (cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
fi
