#!/usr/bin/env bash
# Puts sdl12-compat (SDL 1.2's interface over SDL 2) into DEST/lib without installing it: its
# package conflicts with classic SDL 1.2, so the end-to-end runs load it through LD_LIBRARY_PATH.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
# The library comes from the first of: DEST/lib itself (fetched before), the installed package,
# a package file in apt's cache, a download with `apt-get download`. When none is to be had (a
# build machine without network, say) it exits with 77, which ctest reports as skipped, and the
# sdl12-compat runs skip too.
set -euo pipefail
dest=${1:?usage: $0 DEST}
library=$dest/lib/libSDL-1.2.so.0
skipped=77

[ -e "$library" ] && exit 0

if ! /sbin/ldconfig -p | grep -q 'libSDL2-2.0.so.0 '; then
  echo "skipped: SDL 2 (package libsdl2-2.0-0), which sdl12-compat runs on, is not installed"
  exit $skipped
fi

install_library() {
  mkdir -p "$dest/lib"
  cp -L "$1" "$library.partial"
  mv "$library.partial" "$library"
  echo "sdl12-compat: $2 in $dest/lib"
}

# An installed sdl12-compat is the system's SDL 1.2 itself.
if dpkg-query -W -f='${Status}' libsdl1.2-compat 2>/dev/null | grep -q 'install ok installed'; then
  installed=$(dpkg-query -L libsdl1.2-compat | grep '/libSDL-1.2.so.0$' | head -n 1)
  if [ -n "$installed" ]; then
    install_library "$installed" "the installed package"
    exit 0
  fi
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
package=$(ls /var/cache/apt/archives/libsdl1.2-compat_*.deb 2>/dev/null | tail -n 1 || true)
if [ -z "$package" ]; then
  # apt-get warns on standard error that root downloads without its sandbox user; that is expected.
  if ! apt-get download -q -o Acquire::Retries=0 -o Acquire::http::Timeout=20 \
    libsdl1.2-compat >/dev/null 2>download.log; then
    echo "skipped: sdl12-compat is neither installed nor cached, and apt-get download failed:" \
      "$(grep -m 1 -E '^E:' download.log || tail -n 1 download.log)"
    exit $skipped
  fi
  package=$(ls "$scratch"/libsdl1.2-compat_*.deb)
fi
dpkg -x "$package" root
found=$(find root -name 'libSDL-1.2.so.0' | head -n 1)
[ -n "$found" ] || { echo "no libSDL-1.2.so.0 in $package" >&2; exit 1; }
install_library "$found" "$(dpkg-deb -f "$package" Version)"
