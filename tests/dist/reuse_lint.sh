#!/usr/bin/env bash
# Runs `reuse lint` on the files that git tracks, copied into a temporary folder, so that build
# folders of any name and other untracked files in the tree are not linted.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
# reuse 1.x lints a whole folder and leaves out only what git ignores. Outside a git checkout (a
# release tarball, say) the whole tree is linted.
set -euo pipefail
reuse=${1:?usage: $0 REUSE ROOT}
root=${2:?usage: $0 REUSE ROOT}

if ! git -C "$root" ls-files --error-unmatch CMakeLists.txt >/dev/null 2>&1; then
  exec "$reuse" --root "$root" lint
fi
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
# The working tree's copy of each tracked file; one deleted but not yet committed is left out.
git -C "$root" ls-files -z |
  tar -C "$root" --null --files-from=- --ignore-failed-read -cf - 2>/dev/null |
  tar -C "$tree" -xf -
"$reuse" --root "$tree" lint
