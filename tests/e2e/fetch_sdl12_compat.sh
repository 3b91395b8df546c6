#!/usr/bin/env bash
# Fetches sdl12-compat (SDL 1.2's interface over SDL 2) into DEST/lib without installing it: its
# package conflicts with classic SDL 1.2, so the end-to-end runs load it through LD_LIBRARY_PATH.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
set -euo pipefail
dest=${1:?usage: $0 DEST}
[ -e "$dest/lib/libSDL-1.2.so.0" ] && exit 0

if ! /sbin/ldconfig -p | grep -q 'libSDL2-2.0.so.0 '; then
  echo "SDL 2 (package libsdl2-2.0-0) is not installed; sdl12-compat runs on it" >&2
  exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
# apt-get warns on standard error that root downloads without its sandbox user; that is expected.
if ! apt-get download -q libsdl1.2-compat >/dev/null 2>download.log; then
  # A machine whose package lists were never fetched knows no such package yet.
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  apt-get download -q libsdl1.2-compat >/dev/null 2>download.log || {
    cat download.log >&2
    exit 1
  }
fi
dpkg -x libsdl1.2-compat_*.deb root
library=$(find root -name 'libSDL-1.2.so.0' | head -n 1)
[ -n "$library" ] || { echo "no libSDL-1.2.so.0 in the package" >&2; exit 1; }
mkdir -p "$dest/lib"
cp -L "$library" "$dest/lib/libSDL-1.2.so.0.partial"
mv "$dest/lib/libSDL-1.2.so.0.partial" "$dest/lib/libSDL-1.2.so.0"
echo "sdl12-compat: $(dpkg-deb -f libsdl1.2-compat_*.deb Version) in $dest/lib"
