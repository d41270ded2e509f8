#!/usr/bin/env bash
# Fails when the core (model, files, format, batch) includes Qt, or the model includes a folder
# above it (the files that read and write it included). The build's include roots already stop
# most wrong includes; this also catches system-style includes of Qt headers that an include
# root cannot hide.
set -euo pipefail
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../src" && pwd)
status=0
if grep -rnE '#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/)' "$src/model" "$src/files" "$src/format" \
  "$src/batch" "$src/settings"; then
  echo "check-layers: the core and the settings working copies must not include Qt" >&2
  status=1
fi
if grep -rnE '#\s*include\s*"(files|format|batch|cli|platform|windows|dialogs|app)/' "$src/model"; then
  echo "check-layers: the model must not include the folders above it" >&2
  status=1
fi
if grep -rnE '#\s*include\s*"(windows|app)/' "$src/dialogs" "$src/platform"; then
  echo "check-layers: the dialogs and the platform must not include the windows or the app" >&2
  status=1
fi
exit $status
