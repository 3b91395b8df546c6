#!/usr/bin/env bash
# Builds the 64-bit Windows DLLs of SDL 1.2, SDL_mixer, SDL_ttf and the libraries under them once,
# into a cache outside the repository, and prints the prefix that holds them.
#   tools/win64_libraries.sh   build the prefix unless the cache has it; print its path
# The prefix is win64-KEY under $QUORVANE_WIN64_CACHE (default ~/.cache/quorvane), KEY a hash of
# the Debian source versions that apt serves today, the SDL_ttf source, the cross compiler's
# packages and this script, so that a new Debian revision or a changed recipe builds a new prefix.
# cmake/mingw-w64-x86_64.cmake finds the libraries through QUORVANE_WIN64_PREFIX:
#   export QUORVANE_WIN64_PREFIX=$(tools/win64_libraries.sh)
#   cmake -S . -B build-win64 --toolchain cmake/mingw-w64-x86_64.cmake
# The prefix holds bin/ (the DLLs), lib/ (import libraries, libSDLmain.a, pkgconfig/), include/,
# share/licenses/LIBRARY/ (the upstream licence files and Debian's copyright file) and
# versions.txt (where each library's source came from).
# tools/debian_sources.sh fetches and unpacks the sources.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
set -euo pipefail
# Command substitutions stop at a failure too, so that no key is made of a failed look-up.
shopt -s inherit_errexit

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
recipe=$(realpath "${BASH_SOURCE[0]}")
host=x86_64-w64-mingw32
cache_root=${QUORVANE_WIN64_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvane}

# The cross compiler's packages.
toolchain_packages=(gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
                    binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev)

say() { printf 'win64 libraries: %s\n' "$*" >&2; }
fail() { say "$*"; exit 1; }

# install_missing PACKAGE...
# shellcheck source=tools/debian_packages.sh
source "$root/tools/debian_packages.sh"
# update_index, describe_library_sources, unpack_library_sources, keep_library_licences
# shellcheck source=tools/debian_sources.sh
source "$root/tools/debian_sources.sh"

# What the prefix is built from, one line each: it makes the key and is kept as versions.txt.
describe_sources() {
  local name
  describe_library_sources
  for name in "${toolchain_packages[@]}"; do
    printf 'toolchain\t%s\tDebian package %s\n' "$(dpkg-query -W -f='${Version}' "$name")" "$name"
  done
  printf 'recipe\t%s\ttools/win64_libraries.sh and tools/debian_sources.sh, sha256\n' \
    "$(cat "$recipe" "$root/tools/debian_sources.sh" | sha256sum | cut -d' ' -f1)"
}

# Runs a build step of library $1 with its output in the library's log, shown when it fails.
step() {
  local name=$1
  shift
  "$@" >>"$work/$name.log" 2>&1 || {
    tail -n 30 "$work/$name.log" >&2
    fail "$name: '$*' failed (whole log: $work/$name.log)"
  }
}

# Configures the library in the current folder to build DLLs alone, installed into the stage.
configure() {
  local name=$1
  shift
  step "$name" ./configure --build="$build_type" --host="$host" --prefix="$stage" \
    --disable-static "$@"
}

build_ogg() {
  cd "$work/ogg"
  configure ogg
  step ogg make -j"$jobs"
  step ogg make install
}

build_vorbis() {
  cd "$work/vorbis"
  configure vorbis --disable-docs --disable-examples --disable-oggtest
  step vorbis make -j"$jobs"
  step vorbis make install
  # The game decodes and never encodes.
  rm -f "$stage"/bin/libvorbisenc*.dll "$stage"/lib/libvorbisenc* \
    "$stage/lib/pkgconfig/vorbisenc.pc" "$stage/include/vorbis/vorbisenc.h"
}

# FreeType with the drivers of the fonts that SDL_ttf opens and the game lets through (TrueType
# and CFF outlines in an sfnt wrapper, alone or in a collection) and no zlib: every other font
# driver, the validators and the SVG and SDF renderers would be code that untrusted files reach
# and nothing needs. The API stays whole, since the DLL exports all of it: what a left-out module
# did answers that the feature or format is unknown, and gzip and bzip2 streams are refused.
build_freetype() {
  cd "$work/freetype"
  sed -i -E '/^(FONT|RASTER|AUX)_MODULES \+= (type1|cid|pfr|type42|winfonts|pcf|bdf|svg|sdf|gxvalid|otvalid)$/d' \
    modules.cfg
  [ "$(sed -n 's/^FONT_MODULES += //p' modules.cfg | sort | tr '\n' ' ')" = "cff sfnt truetype " ] ||
    fail "freetype: modules.cfg has font drivers other than cff, sfnt and truetype"
  # WOFF fonts need zlib; the game never passes one to FreeType.
  sed -i 's|^#define FT_CONFIG_OPTION_USE_ZLIB$|/* no zlib: gzip streams and WOFF fonts are refused */|' \
    include/freetype/config/ftoption.h
  if grep -q '^#define FT_CONFIG_OPTION_USE_ZLIB' include/freetype/config/ftoption.h; then
    fail "freetype: could not turn off FT_CONFIG_OPTION_USE_ZLIB"
  fi
  configure freetype --without-zlib --without-png --without-bzip2 --without-brotli \
    --without-harfbuzz --without-librsvg --enable-freetype-config
  step freetype make -j"$jobs"
  step freetype make install
}

# SDL 1.2's GDI video and waveOut audio, events, timers and threads, plus the dummy video and the
# disk and dummy audio drivers of headless runs. Not DirectX: the game draws a software surface,
# which GDI shows as well as DirectDraw does, and Wine draws DirectDraw through OpenGL, which left
# the window black under Xvfb; one path each for video and audio is what Wine runs and tests.
# Without stdio redirection, since SDLmain would otherwise write stdout.txt and stderr.txt beside
# the program; without joystick, CD-ROM and OpenGL, which the game does not use.
build_sdl() {
  cd "$work/SDL"
  # Debian drops SDLmain and -mwindows from sdl.pc and sdl-config so that -lpthread stays out
  # of Linux links; on Windows they are what makes main() a GUI program's entry.
  if grep -qx dont_propagate_lpthread.diff debian/patches/series; then
    step SDL patch -R -p1 -i debian/patches/dont_propagate_lpthread.diff
  fi
  configure SDL --disable-stdio-redirect --disable-directx --disable-joystick --disable-cdrom \
    --disable-video-opengl --disable-nasm --disable-rpath
  step SDL make -j"$jobs"
  step SDL make install
}

# SDL_mixer with Ogg Vorbis music linked against vorbisfile (not loaded by name at run time)
# and no other music format: WAV, AIFF and VOC sounds go through Mix_LoadWAV_RW as always.
build_sdl_mixer() {
  cd "$work/SDL_mixer"
  configure SDL_mixer --disable-sdltest --disable-smpegtest --disable-music-cmd \
    --disable-music-wave --disable-music-mod --disable-music-mod-shared \
    --disable-music-mod-modplug --disable-music-midi --disable-music-timidity-midi \
    --disable-music-native-midi --disable-music-fluidsynth-midi \
    --disable-music-fluidsynth-shared --enable-music-ogg --disable-music-ogg-shared \
    --disable-music-ogg-tremor --disable-music-flac --disable-music-flac-shared \
    --disable-music-mp3 --disable-music-mp3-shared --disable-music-mp3-mad-gpl
  grep -q OGG_DYNAMIC Makefile && fail "SDL_mixer: configured to load vorbisfile at run time"
  grep -q -- '-DOGG_MUSIC' Makefile || fail "SDL_mixer: configured without Ogg Vorbis"
  # The library alone: its example programs do not link against Debian's sdl-config.
  step SDL_mixer make -j"$jobs" build/libSDL_mixer.la
  step SDL_mixer make install-hdrs install-lib
}

build_sdl_ttf() {
  cd "$work/SDL_ttf"
  configure SDL_ttf --disable-sdltest --with-sdl-prefix="$stage" --with-freetype-prefix="$stage"
  # The library alone: showfont and glfont are demonstrations.
  step SDL_ttf make -j"$jobs" libSDL_ttf.la
  step SDL_ttf make install-libLTLIBRARIES install-libSDL_ttfincludeHEADERS \
    install-pkgconfigDATA
}

# Copies each library's licence files and Debian's copyright file into share/licenses/.
keep_licences() {
  local licences=$stage/share/licenses
  keep_library_licences "$licences"
  # The C runtime start-up code and libgcc of the cross compiler are linked into every DLL.
  mkdir -p "$licences/mingw-w64" "$licences/gcc-mingw-w64"
  cp /usr/share/doc/mingw-w64-common/copyright "$licences/mingw-w64/copyright"
  cp /usr/share/doc/gcc-mingw-w64-base/copyright "$licences/gcc-mingw-w64/copyright"
}

# Leaves what the game links and ships: no libtool archives, manual pages or documentation, the
# DLLs stripped, and the prefix's final path in place of the staging path in every text file.
finish_prefix() {
  rm -rf "$stage"/lib/*.la "$stage/share/man" "$stage/share/doc" "$stage/share/aclocal"
  "$host-strip" --strip-unneeded "$stage"/bin/*.dll
  { grep -rlI --null -F "$stage" "$stage" || true; } | xargs -0 -r sed -i "s|$stage|$prefix|g"
  if grep -rl -F "$stage" "$stage" >&2; then
    fail "these files hold the staging path"
  fi
}

# Fails unless every DLL imports only Windows' own DLLs and the other DLLs of the prefix, so
# that neither the compiler's runtime DLLs nor a library left out here is needed at run time.
check_imports() {
  local dll imported shipped=
  for dll in "$stage"/bin/*.dll; do
    shipped+=$(basename "${dll,,}")$'\n'
  done
  for dll in "$stage"/bin/*.dll; do
    for imported in $("$host-objdump" -p "$dll" | sed -n 's/^\tDLL Name: //p' |
      tr '[:upper:]' '[:lower:]'); do
      case $imported in
        kernel32.dll | user32.dll | gdi32.dll | winmm.dll | msvcrt.dll | advapi32.dll) ;;
        *) grep -qxF "$imported" <<<"$shipped" ||
          fail "$(basename "$dll") imports $imported, which is neither Windows' nor shipped" ;;
      esac
    done
  done
}

# Removes the staged prefix and the build folder; a failed build's folder stays, with its logs.
clean_up() {
  local status=$?
  rm -rf "$stage"
  if [ $status -eq 0 ]; then
    rm -rf "$work"
  else
    say "build folder kept: $work"
  fi
}

install_missing "${toolchain_packages[@]}" "${source_packages[@]}" pkg-config make patch
mkdir -p "$cache_root"
# One build at a time per cache: a second caller waits and then finds the prefix made.
exec 9>"$cache_root/.lock"
flock 9
# A staged prefix left now is one that a killed build could not remove.
rm -rf "$cache_root"/.win64-*

update_index
description=$(describe_sources)
key=$(sha256sum <<<"$description" | cut -c1-16)
prefix=$cache_root/win64-$key
if [ -f "$prefix/versions.txt" ]; then
  printf '%s\n' "$prefix"
  exit 0
fi

say "building $prefix"
started=$SECONDS
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-win64.XXXXXX")
# Staged beside the prefix and renamed at the end, so that an interrupted build leaves no prefix.
stage=$(mktemp -d "$cache_root/.win64-$key.XXXXXX")
trap clean_up EXIT
build_type=$(dpkg-architecture -qDEB_BUILD_GNU_TYPE)
jobs=$(nproc)
export CC=$host-gcc-posix CXX=$host-g++-posix
export AR=$host-ar RANLIB=$host-ranlib STRIP=$host-strip NM=$host-nm
export WINDRES=$host-windres RC=$host-windres DLLTOOL=$host-dlltool OBJDUMP=$host-objdump
export CFLAGS="-O2" CPPFLAGS="-I$stage/include" LDFLAGS="-L$stage/lib"
# pkg-config sees the staged libraries alone, never the machine's.
export PKG_CONFIG=pkg-config PKG_CONFIG_LIBDIR=$stage/lib/pkgconfig PKG_CONFIG_PATH=
unset PKG_CONFIG_SYSROOT_DIR
export SDL_CONFIG=$stage/bin/sdl-config FREETYPE_CONFIG=$stage/bin/freetype-config

unpack_library_sources "$description"

for name in ogg vorbis freetype SDL SDL_mixer SDL_ttf; do
  step_started=$SECONDS
  "build_${name,,}"
  say "built $name in $((SECONDS - step_started)) s"
done
keep_licences
finish_prefix
check_imports
{
  printf '# The sources of the libraries in this prefix: library, version, origin.\n'
  printf '%s\n' "$description"
} >"$stage/versions.txt"
chmod 755 "$stage"
rm -rf "$prefix"
mv -T "$stage" "$prefix"
say "built in $((SECONDS - started)) s"
printf '%s\n' "$prefix"
