#!/usr/bin/env bash
# Sets everything up and runs the whole test suite headless: once on the
# normal build, once more built with AddressSanitizer and
# UndefinedBehaviorSanitizer (any report fails the run), and the core's
# tests (the receive path's threads) built with ThreadSanitizer. Builds and
# checks the Debian package in between (scripts/package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
bash scripts/package.sh

if [ "${KESTRUM_SKIP_SANITIZERS:-0}" != "1" ]; then
  BUILD_DIR=build-asan CMAKE_EXTRA_ARGS="-DKESTRUM_SANITIZE=ON" bash scripts/setup.sh
  (cd build-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2)
  cmake -S . -B build-tsan -Wno-dev -DKESTRUM_TSAN=ON ${CMAKE_EXTRA_ARGS:-}
  cmake --build build-tsan -j"$(nproc)" --target core_tests
  (cd build-tsan && QT_QPA_PLATFORM=offscreen ctest -L core --output-on-failure -j2)
fi
