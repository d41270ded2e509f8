#!/usr/bin/env bash
# Builds the Debian package: a Release build of both programs in build-package/, then CPack.
# Prints the path of tabrix_VERSION_amd64.deb; lintian checks it when installed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TABRIX_PACKAGE_DIR:-$root/build-package}"
TABRIX_SETUP_ONLY=1 bash "$root/scripts/setup.sh" >&2
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTABRIX_BUILD_TESTS=OFF >&2
cmake --build "$build" -j "$(nproc)" >&2
(cd "$build" && cpack -G DEB >&2)
deb=$(ls -t "$build"/tabrix_*_amd64.deb | head -n 1)
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" >&2
fi
echo "$deb"
