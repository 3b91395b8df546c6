#!/usr/bin/env bash
# Sets up a Debian machine for quorvane, builds it, and runs the program or the whole test suite.
#   tools/build.sh run      install what is missing, build, run the program from the repository root
#   tools/build.sh test     install and fetch what is missing, then run every stage of the tests
#                           (the linters, the gcc build, the sanitizer and fuzz build, the Windows
#                           build under Wine, the web build in Chromium), each whether or not an
#                           earlier one failed, and end with a line per stage; fails when any
#                           stage failed
#   tools/build.sh windows  install what is missing, build the Windows libraries and program, make
#                           the zip and the installer in build-win64/
#   tools/build.sh web      install what is missing, build the libraries and the program for web
#                           pages, make the zip in build-web/
# QUORVANE_WERROR=ON builds with warnings as errors (CI does).
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

# What building and playing needs.
play_packages=(
  cmake g++ make pkg-config
  libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev
)
# What the tests, the benchmarks and the package checks need besides.
test_packages=(
  googletest libgtest-dev libbenchmark-dev
  python3 python3-pil python3-numpy python3-fonttools vorbis-tools libvorbis-dev
  xvfb xauth xdotool x11-apps x11-utils libx11-dev valgrind
  libsdl2-2.0-0
  clang libclang-rt-14-dev
  dpkg-dev file lintian rpm rpmlint desktop-file-utils appstream reuse man-db
  shellcheck clang-format git
)
# What the Windows build needs besides (tools/win64_libraries.sh installs the cross compiler and
# what builds the libraries), and what its tests need: Wine, 64-bit only, and pefile, which reads
# the program's and the installer's resources.
windows_packages=(cmake make pkg-config nsis)
windows_test_packages=(wine wine64 python3-pefile)
# What the web build needs besides (tools/web_libraries.sh installs emscripten and what builds
# the libraries), and what its tests need: headless Chromium driven through WebDriver.
web_packages=(cmake make pkg-config)
web_test_packages=(chromium chromium-driver python3-selenium)

# install_missing PACKAGE...
# shellcheck source=tools/debian_packages.sh
source "$root/tools/debian_packages.sh"

# cmake_configure BUILD_DIR OPTION...: configures, or configures anew, so that options changed
# since the last run (QUORVANE_WERROR) take effect. Errors, warnings and the lines that name the
# tests left out for want of a tool reach standard error; CMake's progress is shown only when the
# configuration fails, since it names what was looked for (a missing SDL package, say).
cmake_configure() {
  local dir=$1 progress
  shift
  if ! progress=$(cmake -S . -B "$dir" -DQUORVANE_WERROR="${QUORVANE_WERROR:-OFF}" "$@"); then
    printf '%s\n' "$progress" >&2
    return 1
  fi
}

# The program alone, with what it installs; a build folder made by `test` keeps its tests.
build_program() {
  local options=()
  [ -f build/CMakeCache.txt ] || options=(-DBUILD_TESTING=OFF)
  cmake_configure build "${options[@]}"
  cmake --build build -j"$(nproc)"
}

# The program with its tests and benchmarks; a tool of the tests that is missing is an error.
# $1 is the folder of sdl12-compat's library, for the runs on it.
build_all() {
  cmake_configure build -DBUILD_TESTING=ON -DQUORVANE_REQUIRE_TESTS=ON \
    -DQUORVANE_SDL12_COMPAT_LIB="$1"
  cmake --build build -j"$(nproc)"
}

# The same sources built by clang with AddressSanitizer and UndefinedBehaviorSanitizer and
# instrumented for libFuzzer, in a build of their own: its tests are the unit and data tests, the
# replays of the fuzz corpus and regressions, the sanitizer end-to-end runs, and a short run of
# each fuzz target.
build_sanitized() {
  cmake_configure build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DQUORVANE_FUZZ=ON -DQUORVANE_BENCH=OFF \
    -DQUORVANE_REQUIRE_TESTS=ON
  cmake --build build-fuzz -j"$(nproc)"
}

# The Windows build in build-win64, against the libraries that tools/win64_libraries.sh builds
# once into its cache (or finds there); $1 is ON for a build with the tests, OFF for the program
# alone, which leaves the tests of an earlier build with them in place.
build_windows() {
  local prefix options=()
  prefix=$(bash tools/win64_libraries.sh)
  if [ "$1" = ON ]; then
    options=(-DBUILD_TESTING=ON -DQUORVANE_REQUIRE_TESTS=ON)
  elif [ ! -f build-win64/CMakeCache.txt ]; then
    options=(-DBUILD_TESTING=OFF)
  fi
  # CMake reads the toolchain file when it makes the folder, and warns when it is given again.
  [ -f build-win64/CMakeCache.txt ] || options+=(--toolchain cmake/mingw-w64-x86_64.cmake)
  cmake_configure build-win64 -DQUORVANE_WIN64_PREFIX="$prefix" "${options[@]}"
  cmake --build build-win64 -j"$(nproc)"
}

# The web build in build-web, against the libraries that tools/web_libraries.sh builds once into
# its cache (or finds there): the program alone, which leaves the tests of an earlier build with
# them in place, or with `test` the program with its tests, which then run, their browser runs
# comparing the page with the native build in build/.
web_build() {
  local prefix options=()
  prefix=$(bash tools/web_libraries.sh)
  if [ "${1:-}" = test ]; then
    options=(-DBUILD_TESTING=ON -DQUORVANE_REQUIRE_TESTS=ON -DQUORVANE_NATIVE_BUILD="$root/build")
  elif [ ! -f build-web/CMakeCache.txt ]; then
    options=(-DBUILD_TESTING=OFF)
  fi
  # CMake reads the toolchain file when it makes the folder, and warns when it is given again.
  [ -f build-web/CMakeCache.txt ] ||
    options+=(--toolchain cmake/emscripten.cmake -DCMAKE_BUILD_TYPE=Release)
  cmake_configure build-web -DQUORVANE_WEB_PREFIX="$prefix" "${options[@]}"
  cmake --build build-web -j"$(nproc)"
  if [ "${1:-}" = test ]; then
    ctest --test-dir build-web -j"$(nproc)" --output-on-failure
  fi
}

# The stages of the test command: each builds what it tests and runs its tests.
stage_lint() {
  bash tools/lint.sh
}
stage_gcc() {
  build_all "$compat_lib"
  ctest --test-dir build -j"$(nproc)" --output-on-failure
}
stage_sanitizer() {
  build_sanitized
  ctest --test-dir build-fuzz -j"$(nproc)" --output-on-failure
}
stage_windows() {
  build_windows ON
  ctest --test-dir build-win64 -j"$(nproc)" --output-on-failure
}
stage_web() {
  web_build test
}

# run_stage NAME FUNCTION: runs a stage in a shell of its own that stops at the stage's first
# failure, and notes how it ended and how long it took; the stages after it run in any case.
stage_lines=()
failed_stages=0
run_stage() {
  local name=$1 started=$SECONDS status
  printf '\n==== stage %s\n' "$name" >&2
  set +e
  (
    set -e
    "$2"
  )
  status=$?
  set -e
  local took=$((SECONDS - started))
  local outcome="passed"
  if [ "$status" -ne 0 ]; then
    outcome="FAILED (status $status)"
    failed_stages=$((failed_stages + 1))
  fi
  stage_lines+=("$(printf 'stage %-10s %s in %d min %02d s' "$name" "$outcome" \
    $((took / 60)) $((took % 60)))")
}

# The line of every stage, and the run's verdict.
report_stages() {
  printf '\n==== summary\n'
  printf '%s\n' "${stage_lines[@]}"
  if [ "$failed_stages" -ne 0 ]; then
    echo "$failed_stages of ${#stage_lines[@]} stages failed"
    return 1
  fi
  echo "all ${#stage_lines[@]} stages passed"
}

case "${1:-}" in
  run)
    install_missing "${play_packages[@]}"
    build_program
    exec ./build/quorvane
    ;;
  test)
    # Set-up: everything that the stages need from Debian's archive, installed or fetched now, so
    # that no test downloads anything.
    install_missing "${play_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}" \
      "${windows_test_packages[@]}" "${web_packages[@]}" "${web_test_packages[@]}"
    # Without sdl12-compat the gcc stage says what it lacks; the other stages do not need it.
    compat_lib=$(bash tools/sdl12_compat.sh) || compat_lib=""
    run_stage lint stage_lint
    run_stage gcc stage_gcc
    run_stage sanitizer stage_sanitizer
    run_stage windows stage_windows
    run_stage web stage_web
    report_stages
    ;;
  windows)
    install_missing "${windows_packages[@]}"
    build_windows OFF
    (cd build-win64 && cpack >/dev/null)
    echo "Made:"
    ls -1 build-win64/quorvane-*-win64.zip build-win64/quorvane-*-win64.exe
    ;;
  web)
    install_missing "${web_packages[@]}"
    web_build
    (cd build-web && cpack >/dev/null)
    echo "Made:"
    ls -1 build-web/quorvane-*-web.zip
    ;;
  *)
    echo "usage: $0 run|test|windows|web" >&2
    exit 2
    ;;
esac
