#!/usr/bin/env bash
# Fetches sdl12-compat (SDL 1.2's interface over SDL 2, the only SDL 1.2 of newer distributions)
# once, without installing it, and prints the folder that holds its libSDL-1.2.so.0.
#   tools/sdl12_compat.sh   fetch the library unless the cache has it; print its folder
# Its package conflicts with classic SDL 1.2, so the end-to-end runs load the library through
# LD_LIBRARY_PATH from sdl12-compat-VERSION/lib under $QUORVANE_CACHE (default
# ~/.cache/quorvane), VERSION being the one that apt would install today. tools/build.sh test runs
# this in its set-up and hands the folder to CMake as QUORVANE_SDL12_COMPAT_LIB.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
set -euo pipefail
shopt -s inherit_errexit

package=libsdl1.2-compat
cache_root=${QUORVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvane}

say() { printf 'sdl12-compat: %s\n' "$*" >&2; }
fail() { say "$*"; exit 1; }

# The version that apt would install: its candidate, the highest of the archives' versions.
candidate() {
  LC_ALL=C apt-cache policy "$package" 2>/dev/null | sed -n 's/^ *Candidate: //p'
}

version=$(candidate)
if [ -z "$version" ] || [ "$version" = "(none)" ]; then
  apt-get update -qq >&2 || true
  version=$(candidate)
fi
if [ -z "$version" ] || [ "$version" = "(none)" ]; then
  fail "apt knows no package $package"
fi

# The cache folder of the version that apt names.
compat_folder() {
  printf '%s\n' "$cache_root/sdl12-compat-${version//[^A-Za-z0-9.+~-]/_}/lib"
}

folder=$(compat_folder)
if [ ! -e "$folder/libSDL-1.2.so.0" ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  # apt-get warns on standard error that root downloads without its sandbox user; that is
  # expected, and the log is shown only when the download fails.
  download() { (cd "$scratch" && apt-get download -q "$package=$version" >download.log 2>&1); }
  if ! download; then
    # Package lists older than the archive may name a version that it no longer holds: they
    # are refreshed once, and the candidate that they then name is fetched.
    apt-get update -qq >&2 || true
    version=$(candidate)
    folder=$(compat_folder)
    if [ ! -e "$folder/libSDL-1.2.so.0" ] && ! download; then
      fail "could not download $package $version: $(grep -m 1 -E '^E:' "$scratch/download.log" ||
        tail -n 1 "$scratch/download.log")"
    fi
  fi
  if [ ! -e "$folder/libSDL-1.2.so.0" ]; then
    dpkg-deb -x "$scratch/${package}_"*.deb "$scratch/root"
    found=$(find "$scratch/root" -name libSDL-1.2.so.0 | head -n 1)
    [ -n "$found" ] || fail "no libSDL-1.2.so.0 in $package $version"
    mkdir -p "$folder"
    cp -L "$found" "$folder/libSDL-1.2.so.0.partial"
    mv "$folder/libSDL-1.2.so.0.partial" "$folder/libSDL-1.2.so.0"
    say "$package $version in $folder"
  fi
fi
printf '%s\n' "$folder"
