#!/usr/bin/env bash
# Builds if needed, then runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
ctest --test-dir "${TABRIX_BUILD_DIR:-$root/build}" --output-on-failure -j "$(nproc)"
