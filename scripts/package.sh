#!/usr/bin/env bash
# Builds the Debian package (build-deb/kestrum_<version>_<arch>.deb) with
# Debian's compiler and hardening flags, then checks what is in it: the
# desktop entry (desktop-file-validate), the AppStream metainfo
# (appstreamcli validate --no-net) and the package itself (lintian: no error
# and no warning). Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/packages.sh
ensure_packages build-essential cmake dpkg-dev qt6-base-dev qt6-serialport-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools libgl-dev \
  desktop-file-utils appstream lintian

BUILD_DIR=${BUILD_DIR:-build-deb}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$BUILD_DIR" -Wno-dev -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" ${CMAKE_EXTRA_ARGS:-}
cmake --build "$BUILD_DIR" -j"$(nproc)" --target kestrum
rm -f "$BUILD_DIR"/kestrum_*.deb
(cd "$BUILD_DIR" && cpack -G DEB)
deb=$(ls "$BUILD_DIR"/kestrum_*.deb)

# Check the files as the package holds them, not as the source has them.
contents="$BUILD_DIR/deb-contents"
rm -rf "$contents"
dpkg-deb -x "$deb" "$contents"
desktop-file-validate "$contents"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml
lintian --fail-on error,warning "$deb"
echo "$deb"
