#!/usr/bin/env bash
# Unpacks the Debian package into a scratch root and checks that every installed piece is
# there and that the unpacked tool runs.  Usage: check-package.sh PACKAGE.deb
set -euo pipefail
deb=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
status=0
for file in usr/bin/tabrix usr/bin/tabrix-cli \
  usr/share/applications/org.tabrix.Tabrix.desktop \
  usr/share/metainfo/org.tabrix.Tabrix.metainfo.xml \
  usr/share/mime/packages/tabrix.xml \
  usr/share/icons/hicolor/scalable/apps/tabrix.svg \
  usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/tabrix.png \
  usr/share/man/man1/tabrix.1.gz usr/share/man/man1/tabrix-cli.1.gz \
  usr/share/doc/tabrix/copyright usr/share/doc/tabrix/changelog.gz \
  usr/share/tabrix/help/index.htm; do
  [[ -e "$root/$file" ]] || { echo "check-package: $file is missing" >&2; status=1; }
done
ls "$root"/usr/share/tabrix/template/*.ZQL >/dev/null || status=1
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || { echo "check-package: no Qt dependency" >&2; status=1; }
"$root/usr/bin/tabrix-cli" --version
exit $status
