#!/usr/bin/env bash
# Builds if needed, then runs the command-line tool.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh" >&2
"${TABRIX_BUILD_DIR:-$root/build}/src/cli/tabrix-cli" --help
