#!/usr/bin/env bash
# Builds if needed, then generates the sample library's output with the command-line tool and
# lists the files written. Arguments, when given, are passed to tabrix-cli instead.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh" >&2
build="${TABRIX_BUILD_DIR:-$root/build}"
cli="$build/src/cli/tabrix-cli"
if [ "$#" -gt 0 ]; then
  exec "$cli" "$@"
fi
out="$build/example-output"
rm -rf "$out"
"$cli" output "$root/examples/books/books.ZQL" --output-dir "$out" --all
echo "Sample output written to $out:"
find "$out" -type f | sort
