#!/usr/bin/env bash
# Builds SDL 1.2, SDL_mixer, SDL_ttf and the libraries under them for web pages with emscripten,
# once, into a cache outside the repository, and prints the prefix that holds them.
#   tools/web_libraries.sh   build the prefix unless the cache has it; print its path
# The prefix is web-KEY under $QUORVANE_WEB_CACHE (default ~/.cache/quorvane), KEY a hash of the
# Debian source versions that apt serves today, the SDL_ttf source, the compiler's packages, this
# script, tools/debian_sources.sh and the patch that gives SDL its browser drivers, so that a new
# Debian revision or a changed recipe builds a new prefix.
# cmake/emscripten.cmake finds the libraries through QUORVANE_WEB_PREFIX:
#   export QUORVANE_WEB_PREFIX=$(tools/web_libraries.sh)
#   cmake -S . -B build-web --toolchain cmake/emscripten.cmake
# The prefix holds lib/ (static libraries and pkgconfig/), include/, share/licenses/LIBRARY/ (the
# upstream licence files and Debian's copyright file) and versions.txt (where each library's
# source came from). Each library is compiled from a list of its files, without its configure,
# which cannot run programs that emscripten makes: the lists, defines and module choices below
# are those that configure made for the Windows build (tools/win64_libraries.sh).
# tools/debian_sources.sh fetches and unpacks the sources.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
set -euo pipefail
# Command substitutions stop at a failure too, so that no key is made of a failed look-up.
shopt -s inherit_errexit

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
recipe=$(realpath "${BASH_SOURCE[0]}")
sdl_patch=$root/tools/web/libsdl1.2-browser-drivers.patch
cache_root=${QUORVANE_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvane}
# The compiler: emscripten with its LLVM, and binaryen, which optimises what it links.
toolchain_packages=(emscripten binaryen)

say() { printf 'web libraries: %s\n' "$*" >&2; }
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
  printf 'recipe\t%s\ttools/web_libraries.sh, tools/debian_sources.sh and %s, sha256\n' \
    "$(cat "$recipe" "$root/tools/debian_sources.sh" "$sdl_patch" | sha256sum | cut -d' ' -f1)" \
    "tools/web/$(basename "$sdl_patch")"
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

# Compiles the C files named after `--` in the current folder with the flags before it, $jobs at
# a time, and archives their objects as $stage/lib/lib$1.a; the log is library $2's.
archive() {
  local library=$1 log=$2 flags=() objects=() file
  shift 2
  while [ "$1" != -- ]; do
    flags+=("$1")
    shift
  done
  shift
  mkdir -p "$work/objects/$library"
  for file in "$@"; do
    objects+=("$work/objects/$library/$(tr / _ <<<"${file%.c}").o")
  done
  # xargs puts each file and its object after the flags.
  # shellcheck disable=SC2016 # the script of bash -c expands its own arguments
  for file in "$@"; do
    printf '%s\0' "$file" "$work/objects/$library/$(tr / _ <<<"${file%.c}").o"
  done | step "$log" xargs -0 -n 2 -P "$jobs" bash -c \
    'exec emcc "${@:1:$#-2}" -c "${@: -2:1}" -o "${@: -1}"' bash "${flags[@]}"
  step "$log" emar rcs "$stage/lib/lib$library.a" "${objects[@]}"
}

# The flags of every library: optimised as the program is, warnings left to the libraries' own
# builds.
common_flags=(-O2 -w)

build_ogg() {
  cd "$work/ogg"
  sed -e 's/@INCLUDE_INTTYPES_H@/0/; s/@INCLUDE_STDINT_H@/1/; s/@INCLUDE_SYS_TYPES_H@/0/' \
    -e 's/@SIZE16@/int16_t/; s/@USIZE16@/uint16_t/; s/@SIZE32@/int32_t/; s/@USIZE32@/uint32_t/' \
    -e 's/@SIZE64@/int64_t/; s/@USIZE64@/uint64_t/' include/ogg/config_types.h.in \
    >include/ogg/config_types.h
  archive ogg ogg "${common_flags[@]}" -Iinclude -- src/bitwise.c src/framing.c
  mkdir -p "$stage/include/ogg"
  cp include/ogg/ogg.h include/ogg/os_types.h include/ogg/config_types.h "$stage/include/ogg/"
}

# The decoder and vorbisfile: the game decodes and never encodes.
build_vorbis() {
  cd "$work/vorbis"
  archive vorbis vorbis "${common_flags[@]}" -Iinclude -Ilib -I"$stage/include" -- \
    lib/analysis.c lib/bitrate.c lib/block.c lib/codebook.c lib/envelope.c lib/floor0.c \
    lib/floor1.c lib/info.c lib/lookup.c lib/lpc.c lib/lsp.c lib/mapping0.c lib/mdct.c \
    lib/psy.c lib/registry.c lib/res0.c lib/sharedbook.c lib/smallft.c lib/synthesis.c \
    lib/window.c
  archive vorbisfile vorbis "${common_flags[@]}" -Iinclude -Ilib -I"$stage/include" -- \
    lib/vorbisfile.c
  mkdir -p "$stage/include/vorbis"
  cp include/vorbis/codec.h include/vorbis/vorbisfile.h "$stage/include/vorbis/"
}

# FreeType with the modules of the Windows build: the drivers of the fonts that SDL_ttf opens and
# the game lets through (TrueType and CFF outlines in an sfnt wrapper) and no zlib. The API stays
# whole: what a left-out module did answers that the feature or format is unknown.
build_freetype() {
  cd "$work/freetype"
  sed -i -E '/FT_USE_MODULE\( [A-Za-z_]+, (t1|t1cid|pfr|t42|winfnt|pcf|bdf)_driver_class \)/d
             /FT_USE_MODULE\( FT_Renderer_Class, ft_(sdf|bitmap_sdf|svg)_renderer_class \)/d' \
    include/freetype/config/ftmodule.h
  [ "$(grep -c FT_USE_MODULE include/freetype/config/ftmodule.h)" = 9 ] ||
    fail "freetype: ftmodule.h does not list the nine modules of the Windows build"
  # WOFF fonts need zlib; the game never passes one to FreeType.
  sed -i 's|^#define FT_CONFIG_OPTION_USE_ZLIB$|/* no zlib: gzip streams and WOFF fonts are refused */|' \
    include/freetype/config/ftoption.h
  if grep -q '^#define FT_CONFIG_OPTION_USE_ZLIB' include/freetype/config/ftoption.h; then
    fail "freetype: could not turn off FT_CONFIG_OPTION_USE_ZLIB"
  fi
  archive freetype freetype "${common_flags[@]}" -DFT2_BUILD_LIBRARY -Iinclude -- \
    src/base/ftsystem.c src/base/ftinit.c src/base/ftdebug.c src/base/ftbase.c \
    src/base/ftbbox.c src/base/ftbdf.c src/base/ftbitmap.c src/base/ftcid.c src/base/ftfstype.c \
    src/base/ftgasp.c src/base/ftglyph.c src/base/ftgxval.c src/base/ftmm.c src/base/ftotval.c \
    src/base/ftpatent.c src/base/ftpfr.c src/base/ftstroke.c src/base/ftsynth.c \
    src/base/fttype1.c src/base/ftwinfnt.c \
    src/autofit/autofit.c src/truetype/truetype.c src/cff/cff.c src/psaux/psaux.c \
    src/psnames/psnames.c src/pshinter/pshinter.c src/sfnt/sfnt.c src/smooth/smooth.c \
    src/raster/raster.c src/cache/ftcache.c src/gzip/ftgzip.c src/lzw/ftlzw.c \
    src/bzip2/ftbzip2.c
  mkdir -p "$stage/include/freetype2"
  cp include/ft2build.h "$stage/include/freetype2/"
  cp -r include/freetype "$stage/include/freetype2/"
  rm -rf "$stage/include/freetype2/freetype/internal"
}

# SDL 1.2 with the browser drivers of the patch (video on the page's canvas, its keys, Web Audio
# and its clock) and no threads, CD-ROM, joystick or shared objects.
build_sdl() {
  cd "$work/SDL"
  step SDL patch -p1 -i "$sdl_patch"
  archive SDL SDL "${common_flags[@]}" -Iinclude -D_GNU_SOURCE=1 -- \
    src/SDL.c src/SDL_error.c src/SDL_fatal.c \
    src/audio/SDL_audio.c src/audio/SDL_audiocvt.c src/audio/SDL_mixer.c src/audio/SDL_wave.c \
    src/audio/emscripten/SDL_emscriptenaudio.c \
    src/cdrom/SDL_cdrom.c src/cpuinfo/SDL_cpuinfo.c \
    src/events/SDL_active.c src/events/SDL_events.c src/events/SDL_expose.c \
    src/events/SDL_keyboard.c src/events/SDL_mouse.c src/events/SDL_quit.c \
    src/events/SDL_resize.c src/file/SDL_rwops.c src/joystick/SDL_joystick.c \
    src/loadso/dummy/SDL_sysloadso.c \
    src/stdlib/SDL_getenv.c src/stdlib/SDL_iconv.c src/stdlib/SDL_malloc.c \
    src/stdlib/SDL_qsort.c src/stdlib/SDL_stdlib.c src/stdlib/SDL_string.c \
    src/thread/SDL_thread.c src/thread/generic/SDL_syscond.c src/thread/generic/SDL_sysmutex.c \
    src/thread/generic/SDL_syssem.c src/thread/generic/SDL_systhread.c \
    src/timer/SDL_timer.c src/timer/emscripten/SDL_systimer.c \
    src/video/SDL_RLEaccel.c src/video/SDL_blit.c src/video/SDL_blit_0.c src/video/SDL_blit_1.c \
    src/video/SDL_blit_A.c src/video/SDL_blit_N.c src/video/SDL_bmp.c src/video/SDL_cursor.c \
    src/video/SDL_gamma.c src/video/SDL_pixels.c src/video/SDL_stretch.c \
    src/video/SDL_surface.c src/video/SDL_video.c src/video/SDL_yuv.c src/video/SDL_yuv_sw.c \
    src/video/emscripten/SDL_emscriptenevents.c src/video/emscripten/SDL_emscriptenvideo.c
  mkdir -p "$stage/include/SDL"
  cp include/*.h "$stage/include/SDL/"
}

# SDL_mixer with Ogg Vorbis music through vorbisfile and no other music format: WAV, AIFF and
# VOC sounds go through Mix_LoadWAV_RW as always.
build_sdl_mixer() {
  cd "$work/SDL_mixer"
  archive SDL_mixer SDL_mixer "${common_flags[@]}" -DOGG_MUSIC -I"$stage/include/SDL" \
    -I"$stage/include" -- \
    dynamic_ogg.c effect_position.c effect_stereoreverse.c effects_internal.c load_aiff.c \
    load_ogg.c load_voc.c mixer.c music.c music_ogg.c
  cp SDL_mixer.h "$stage/include/SDL/"
}

build_sdl_ttf() {
  cd "$work/SDL_ttf"
  archive SDL_ttf SDL_ttf "${common_flags[@]}" -I"$stage/include/SDL" \
    -I"$stage/include/freetype2" -- SDL_ttf.c
  cp SDL_ttf.h "$stage/include/SDL/"
}

# pkg-config files of the three libraries that the game links, each naming the libraries under
# it, since static libraries do not find their own. The program's build links each by its path.
# shellcheck disable=SC2016 # ${prefix} and the like are pkg-config's variables
write_pkgconfig() {
  local folder=$stage/lib/pkgconfig
  mkdir -p "$folder"
  write_pc() {
    printf 'prefix=%s\nlibdir=${prefix}/lib\nincludedir=${prefix}/include\n\n' "$prefix"
    printf 'Name: %s\nDescription: %s\nVersion: %s\n' "$1" "$2" "$3"
    [ -z "$4" ] || printf 'Requires: %s\n' "$4"
    printf 'Libs: -L${libdir} %s\nCflags: -I${includedir}/SDL%s\n' "$5" "$6"
  }
  write_pc sdl "Simple DirectMedia Layer, for web pages" "$(version_of SDL)" "" "-lSDL" \
    " -D_GNU_SOURCE=1" >"$folder/sdl.pc"
  write_pc SDL_mixer "mixer library for SDL, with Ogg Vorbis music" "$(version_of SDL_mixer)" \
    sdl "-lSDL_mixer -lvorbisfile -lvorbis -logg" "" >"$folder/SDL_mixer.pc"
  write_pc SDL_ttf "TrueType font library for SDL" 2.0.11 sdl "-lSDL_ttf -lfreetype" \
    " -I\${includedir}/freetype2" >"$folder/SDL_ttf.pc"
}

# The upstream version of library $1 in the description: its Debian version without the revision.
version_of() {
  sed -n "s/^$1\t\([^\t+-]*\).*/\1/p" <<<"$description"
}

# Copies each library's licence files and Debian's copyright file into share/licenses/, and the
# compiler's, whose C and C++ libraries and JavaScript runtime go into the program.
keep_licences() {
  local licences=$stage/share/licenses
  keep_library_licences "$licences"
  mkdir -p "$licences/emscripten"
  cp /usr/share/doc/emscripten/copyright "$licences/emscripten/copyright"
}

# Fails unless every library holds object code of its own: a list that named no file, or
# defines that left every file empty, would otherwise pass unnoticed until the link.
check_archives() {
  local library
  for library in SDL SDL_mixer SDL_ttf freetype ogg vorbis vorbisfile; do
    [ "$(emnm --defined-only "$stage/lib/lib$library.a" 2>/dev/null | grep -c ' T ')" -gt 0 ] ||
      fail "lib$library.a defines no function"
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

install_missing "${toolchain_packages[@]}" "${source_packages[@]}" patch
mkdir -p "$cache_root"
# One build at a time per cache: a second caller waits and then finds the prefix made. The lock
# is the Windows build's too, since both keep the source index and the downloads here.
exec 9>"$cache_root/.lock"
flock 9
# A staged prefix left now is one that a killed build could not remove.
rm -rf "$cache_root"/.web-*

update_index
description=$(describe_sources)
key=$(sha256sum <<<"$description" | cut -c1-16)
prefix=$cache_root/web-$key
if [ -f "$prefix/versions.txt" ]; then
  printf '%s\n' "$prefix"
  exit 0
fi

say "building $prefix"
started=$SECONDS
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvane-web.XXXXXX")
# Staged beside the prefix and renamed at the end, so that an interrupted build leaves no prefix.
stage=$(mktemp -d "$cache_root/.web-$key.XXXXXX")
trap clean_up EXIT
jobs=$(nproc)
mkdir -p "$stage/lib" "$stage/include"
# Emscripten's last link step runs its JavaScript tools on node, which must find Debian's
# JavaScript modules; node from elsewhere does not look there.
export NODE_PATH=/usr/share/nodejs

unpack_library_sources "$description"

for name in ogg vorbis freetype SDL SDL_mixer SDL_ttf; do
  step_started=$SECONDS
  "build_${name,,}"
  say "built $name in $((SECONDS - step_started)) s"
done
write_pkgconfig
keep_licences
check_archives
{
  printf '# The sources of the libraries in this prefix: library, version, origin.\n'
  printf '%s\n' "$description"
} >"$stage/versions.txt"
chmod 755 "$stage"
rm -rf "$prefix"
mv -T "$stage" "$prefix"
say "built in $((SECONDS - started)) s"
printf '%s\n' "$prefix"
