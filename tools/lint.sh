#!/usr/bin/env bash
# Lints the sources that git tracks, as CI does: shellcheck on every shell script, and clang-format
# on every C++ source and header, which must be formatted already (.clang-format at the root).
#   tools/lint.sh   run both; fails when either finds anything
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Shell scripts by their ending or by the shell their first line names (.ci/run, the launcher).
shell_scripts() {
  git ls-files -z | while IFS= read -r -d '' file; do
    case $file in
      *.sh | *.sh.in) printf '%s\0' "$file" ;;
      *)
        if head -n 1 -- "$file" | grep -qE '^#!.*[/ ](ba|da)?sh$'; then
          printf '%s\0' "$file"
        fi
        ;;
    esac
  done
}

status=0
mapfile -d '' -t scripts < <(shell_scripts)
echo "shellcheck: ${#scripts[@]} scripts"
shellcheck --external-sources -- "${scripts[@]}" || status=1
mapfile -d '' -t sources < <(git ls-files -z -- '*.cpp' '*.h')
echo "clang-format: ${#sources[@]} sources"
clang-format --dry-run --Werror -- "${sources[@]}" || status=1
exit $status
