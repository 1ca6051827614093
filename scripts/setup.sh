#!/usr/bin/env bash
# Installs what Kestrum needs on Debian 12 (as root), then configures and
# builds it into build/. Sourced by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
ensure_packages build-essential cmake qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools libgl-dev xvfb xauth poppler-utils fonts-dejavu-core fonts-liberation2

BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -Wno-dev ${CMAKE_EXTRA_ARGS:-}
cmake --build "$BUILD_DIR" -j"$(nproc)"
