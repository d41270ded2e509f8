#!/usr/bin/env bash
# The desktop files: the entry and the AppStream metadata validate, the entry opens the file
# type the MIME definition declares, the definition names a library by extension and by its
# first line, and both programs print the one version.
# Usage: check-desktop.sh SOURCE_DIR METAINFO VERSION TABRIX TABRIX_CLI
set -euo pipefail
src=$1 metainfo=$2 version=$3 tabrix=$4 cli=$5
desktop=$src/data/desktop/org.tabrix.Tabrix.desktop
mime=$src/data/desktop/tabrix-mime.xml
fail() { echo "check-desktop: $*" >&2; exit 1; }

if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop"; fi
if command -v appstreamcli >/dev/null; then appstreamcli validate --no-net "$metainfo"; fi
grep -qx 'MimeType=application/x-tabrix-library;' "$desktop" || fail "the entry opens no library"
grep -qx 'Exec=tabrix %f' "$desktop" || fail "the entry does not pass the file"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo names another version"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if command -v update-mime-database >/dev/null && command -v gio >/dev/null; then
  mkdir -p "$scratch/mime/packages"
  cp "$mime" "$scratch/mime/packages/tabrix.xml"
  update-mime-database "$scratch/mime" 2>/dev/null
  cp "$src/examples/books/books.ZQL" "$scratch/lower.zql"
  cp "$src/examples/books/books.ZQL" "$scratch/no-extension"
  for file in "$src/examples/books/books.ZQL" "$scratch/lower.zql" "$scratch/no-extension"; do
    type=$(XDG_DATA_DIRS="$scratch:/usr/share" gio info -a standard::content-type "$file" |
      sed -n 's/.*standard::content-type: //p')
    [[ "$type" == application/x-tabrix-library ]] || fail "$file is $type"
  done
fi

[[ "$("$cli" --version)" == "tabrix-cli $version" ]] || fail "tabrix-cli names another version"
[[ "$(QT_QPA_PLATFORM=offscreen "$tabrix" --version)" == "Tabrix $version" ]] ||
  fail "tabrix names another version"
echo "desktop files, file type and versions agree"
