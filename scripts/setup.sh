#!/usr/bin/env bash
# Installs the Debian packages Tabrix needs (only those missing), then configures and builds
# into build/. Safe to run again: it does only what is not done yet.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages=(g++ cmake ninja-build pkg-config libgtest-dev libcsv-dev libcli11-dev qt6-base-dev libgl-dev fonts-noto-cjk xvfb xauth
  gcovr)
# Run time: the SVG icon engine and Qt's Japanese texts. The package: its build and checks.
packages+=(libqt6svg6 qt6-translations-l10n dpkg-dev file lintian desktop-file-utils appstream
  shared-mime-info)

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}"
fi

[[ -z "${TABRIX_SETUP_ONLY:-}" ]] || exit 0

build_dir=${TABRIX_BUILD_DIR:-"$root/build"}
if [[ ! -f "$build_dir/build.ninja" ]]; then
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$build_dir" -j "$(nproc)"
