#!/usr/bin/env bash
# Installs what is missing and builds (setup.sh), then opens the editor on the sample library.
# Without a display it writes a picture of the editor to build/screenshots/editor.png instead.
# Arguments, when given, are passed to the command-line tool tabrix-cli.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh" >&2
build="${TABRIX_BUILD_DIR:-$root/build}"
cli="$build/src/cli/tabrix-cli"
if [ "$#" -gt 0 ]; then
  exec "$cli" "$@"
fi
editor="$build/src/app/tabrix"
sample="$root/examples/books/books.ZQL"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  mkdir -p "$build/screenshots"
  "$editor" --screenshot "$build/screenshots/editor.png" "$sample" >/dev/null
  echo "No display: the editor's window with the sample library was written to $build/screenshots/editor.png"
  exit 0
fi
exec "$editor" "$sample"
