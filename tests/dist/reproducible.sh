#!/bin/sh
# Makes the Debian package again and compares it byte for byte with the one that dist.package made.
#   reproducible.sh SOURCE SCRATCH DEB [CMAKE_OPTION...]
# The second package comes from a build folder of its own under SCRATCH, configured with the
# CMAKE_OPTIONs (those of the first build that change the program or the package), made with
# umask 077, 14 hours ahead of UTC, in another locale, later, and without SOURCE_DATE_EPOCH.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
set -eu
source=$1 scratch=$2 deb=$3
shift 3
rm -rf "$scratch"
umask 077
export TZ=XYZ-14 LC_ALL=C.UTF-8
unset SOURCE_DATE_EPOCH
build=$scratch/another-build-folder
cmake -S "$source" -B "$build" "$@" >/dev/null
cmake --build "$build" -j2 >/dev/null
(cd "$build" && cpack -G DEB -B "$scratch/package" >/dev/null)
cmp "$deb" "$scratch/package/${deb##*/}"
rm -rf "$scratch"
