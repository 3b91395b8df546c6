#!/usr/bin/env bash
# The sources of SDL 1.2, SDL_mixer, SDL_ttf and the libraries under them, fetched and unpacked
# for the library builds of tools/win64_libraries.sh and tools/web_libraries.sh, which source it.
# Debian's source packages come through apt with a source list of its own, so that the machine's
# configuration stays as it is. SDL_ttf 2.0.11 is not in Debian's source archive: its release
# tarball is looked for in $QUORVANE_SOURCES and in ../shared/sources beside the repository, or
# beside the local repository that it was cloned from, and failing those GitHub's archive of the
# release commit is fetched.
# The caller sets root (the repository), cache_root (the cache that keeps the source index and the
# downloads) and, before it unpacks, work (the build folder that holds the logs), and defines say
# and fail.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
# The variables named above are the caller's, and what this file sets is for the caller to use.
# shellcheck disable=SC2034,SC2154

# The Debian source packages, by the names that their libraries' licence folders get.
declare -A debian_sources=(
  [SDL]=libsdl1.2 [SDL_mixer]=sdl-mixer1.2 [ogg]=libogg [vorbis]=libvorbis [freetype]=freetype
)
# SDL_ttf 2.0.11, the release that Debian 12 packages: its tarball, and the commit GitHub archives.
ttf_tarball=SDL_ttf-2.0.11.tar.gz
ttf_tarball_sha256=16c177bd10a0ff166dee5668eb0c9f5800761427f3d27d317e5cd7bc247a2210
ttf_commit=831efa364afb87c0c93e7635153e6df9be3c72b4
# Hash of the tarball's extracted files (tree_hash below), which GitHub's archive of the commit
# shares although its gzip stream differs.
ttf_tree_sha256=91f91849161d9cce378b059fd7e431fd844ed80b6393be92ccb0ec8a5889765b
# Debian 12's binary package of SDL_ttf, whose copyright file is kept since the archive does not
# serve the source package's.
ttf_copyright_package=libsdl-ttf2.0-0
# What fetching and unpacking needs.
source_packages=(dpkg-dev xz-utils "$ttf_copyright_package")

# apt with a source list of its own, so that the machine's configuration stays as it is.
apt_src() {
  apt-get -q -o Dir::Etc::SourceList="$cache_root/apt/sources.list" \
    -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists="$cache_root/apt/lists" \
    -o Dir::Cache="$cache_root/apt/cache" "$@"
}

# The deb-src lines of the archives that the machine installs from (component main), taken from
# its deb822 sources, or from its one-line sources where it has those.
source_lines() {
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    awk -v RS= '/(^|\n)Types:[^\n]*deb/ {
        uris = suites = keys = ""
        n = split($0, line, "\n")
        for (i = 1; i <= n; i++) {
          if (line[i] ~ /^URIs:/) uris = substr(line[i], 6)
          if (line[i] ~ /^Suites:/) suites = substr(line[i], 8)
          if (line[i] ~ /^Signed-By:/) keys = substr(line[i], 11)
        }
        nu = split(uris, u, " "); ns = split(suites, s, " "); gsub(/ /, "", keys)
        for (a = 1; a <= nu; a++) for (b = 1; b <= ns; b++)
          printf "deb-src %s%s %s main\n", (keys == "" ? "" : "[signed-by=" keys "] "), u[a], s[b]
      }' /etc/apt/sources.list.d/debian.sources
  else
    sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([^ ]*\) \([^ ]*\) .*$/deb-src \1\2 \3 main/p' /etc/apt/sources.list
  fi
}

# Refreshes the private source index; without network an index made before still answers.
update_index() {
  mkdir -p "$cache_root/apt/lists/partial" "$cache_root/apt/cache"
  source_lines >"$cache_root/apt/sources.list"
  [ -s "$cache_root/apt/sources.list" ] || fail "no Debian archive found in /etc/apt"
  if ! apt_src update -qq >"$cache_root/apt/update.log" 2>&1; then
    ls "$cache_root"/apt/lists/*Sources* >/dev/null 2>&1 ||
      fail "apt-get update failed: $(tail -n 3 "$cache_root/apt/update.log")"
    say "apt-get update failed; using the source index of an earlier run"
  fi
}

# The version of Debian source package $1 that `apt-get source` fetches.
debian_version() {
  local version
  version=$(apt_src source --print-uris --only-source "$1" 2>/dev/null |
    sed -n "s/^'[^']*' $1_\([^ ]*\)\.dsc .*/\1/p") || true
  [ -n "$version" ] || fail "apt serves no source package $1"
  printf '%s\n' "$version"
}

# A hash of the files and symbolic links under folder $1, by their paths and contents.
tree_hash() {
  (cd "$1" && LC_ALL=C find . \( -type f -o -type l \) -print0 | LC_ALL=C sort -z |
    while IFS= read -r -d '' path; do
      if [ -L "$path" ]; then
        printf 'link %s %s\n' "$path" "$(readlink "$path")"
      else
        printf 'file %s %s\n' "$path" "$(sha256sum <"$path" | cut -d' ' -f1)"
      fi
    done | sha256sum | cut -d' ' -f1)
}

# The sources of the libraries, one line each: library, version, origin. Part of what makes a
# cache key, and kept in the prefix as versions.txt.
describe_library_sources() {
  local name version
  for name in SDL SDL_mixer ogg vorbis freetype; do
    version=$(debian_version "${debian_sources[$name]}")
    printf '%s\t%s\tDebian source package %s\n' "$name" "$version" "${debian_sources[$name]}"
  done
  printf 'SDL_ttf\t2.0.11\trelease commit %s, files sha256 %s; copyright file of Debian %s %s\n' \
    "$ttf_commit" "$ttf_tree_sha256" "$ttf_copyright_package" \
    "$(dpkg-query -W -f='${Version}' "$ttf_copyright_package")"
}

# Unpacks Debian source package $1 (version $2) into folder $3, with Debian's patches applied;
# the downloads stay in the cache for the next recipe.
unpack_debian() {
  local package=$1 version=$2 dest=$3
  mkdir -p "$cache_root/downloads"
  (cd "$cache_root/downloads" &&
    apt_src source --download-only --only-source "$package=$version" >>"$work/download.log" 2>&1) ||
    fail "could not download $package $version (see $work/download.log)"
  dpkg-source -x "$cache_root/downloads/${package}_${version#*:}.dsc" "$dest" \
    >>"$work/download.log" 2>&1 || fail "could not unpack $package (see $work/download.log)"
}

# Unpacks SDL_ttf 2.0.11 into folder $1, from the release tarball or GitHub's archive, checked.
unpack_ttf() {
  local dest=$1 folder tarball="" origin
  local folders=("${QUORVANE_SOURCES:-}" "$root/../shared/sources")
  # A clone of a local repository (a CI run's fresh clone, say) looks beside that one too.
  if origin=$(git -C "$root" remote get-url origin 2>/dev/null) && [ -d "$origin" ]; then
    folders+=("$origin/../shared/sources")
  fi
  for folder in "${folders[@]}"; do
    if [ -n "$folder" ] && [ -f "$folder/$ttf_tarball" ]; then
      tarball=$folder/$ttf_tarball
      break
    fi
  done
  if [ -n "$tarball" ]; then
    [ "$(sha256sum <"$tarball" | cut -d' ' -f1)" = "$ttf_tarball_sha256" ] ||
      fail "$tarball does not have the sha256 of SDL_ttf 2.0.11"
  else
    install_missing curl ca-certificates
    tarball=$work/SDL_ttf-$ttf_commit.tar.gz
    say "no $ttf_tarball found; fetching commit $ttf_commit from GitHub"
    curl -fsSL -o "$tarball" \
      "https://github.com/libsdl-org/SDL_ttf/archive/$ttf_commit.tar.gz" ||
      fail "could not fetch SDL_ttf; put $ttf_tarball in \$QUORVANE_SOURCES"
  fi
  mkdir -p "$dest"
  tar -xzf "$tarball" -C "$dest" --strip-components=1
  [ "$(tree_hash "$dest")" = "$ttf_tree_sha256" ] ||
    fail "$tarball does not hold the files of SDL_ttf 2.0.11"
}

# Unpacks every library's source into $work/<library>: the Debian packages at the versions that
# the description $1 (describe_library_sources's lines) names, and SDL_ttf.
unpack_library_sources() {
  local name version
  for name in SDL SDL_mixer ogg vorbis freetype; do
    version=$(sed -n "s/^$name\t\([^\t]*\)\t.*/\1/p" <<<"$1")
    unpack_debian "${debian_sources[$name]}" "$version" "$work/$name"
  done
  unpack_ttf "$work/SDL_ttf"
}

# Copies the licence files of every library, and Debian's copyright file of its source, from the
# unpacked sources into folder $1/<library>.
keep_library_licences() {
  local name file
  declare -A files=(
    [SDL]="COPYING" [SDL_mixer]="COPYING" [ogg]="COPYING" [vorbis]="COPYING"
    [freetype]="LICENSE.TXT docs/FTL.TXT docs/GPLv2.TXT" [SDL_ttf]="COPYING"
  )
  for name in "${!files[@]}"; do
    mkdir -p "$1/$name"
    for file in ${files[$name]}; do
      cp "$work/$name/$file" "$1/$name/"
    done
    if [ "$name" = SDL_ttf ]; then
      cp "/usr/share/doc/$ttf_copyright_package/copyright" "$1/$name/copyright"
    else
      cp "$work/$name/debian/copyright" "$1/$name/copyright"
    fi
  done
}
