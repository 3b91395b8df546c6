# Read by cpack before it makes a package: the time stamp of every file in it.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
# CPack stamps the files of its archives, and leaves out gzip's time stamp, with
# SOURCE_DATE_EPOCH; where the environment does not set it, the date of the latest release in
# NEWS, found at configure time, is taken, so that a plain `cpack` makes the same bytes every time.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} OR "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_QUORVANE_SOURCE_DATE_EPOCH})
endif()
