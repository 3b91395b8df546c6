# shellcheck shell=bash
# Installs whichever of the given Debian packages are missing; sourced by the build scripts.
# Progress goes to standard error, so that a script's standard output stays its own.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

# Installs those of the given Debian packages that are missing.
install_missing() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  # sudo resets the environment: the setting that keeps a package's configuration questions from
  # stopping the install at a prompt goes through env, on the command that sudo runs.
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq >&2
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >&2
}
