# Checks that the changelog, the metainfo and the manual page name the project's version, with
# one release date: they are written by hand, beside project(VERSION) in CMakeLists.txt.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
#   cmake -DVERSION=1.0.0 -DROOT=<source folder> -P check_versions.cmake

set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(failures "")

# Appends to `failures` unless `found` (what `where` states) equals `expected`.
macro(expect where found expected)
  if(NOT "${found}" STREQUAL "${expected}")
    list(APPEND failures "${where} says \"${found}\", expected \"${expected}\"")
  endif()
endmacro()

# NEWS is a Debian changelog: its first entry is the newest release.
file(READ ${ROOT}/NEWS news)
string(REGEX MATCH "^quorvane \\(([^)]+)\\)" found "${news}")
expect("NEWS's first entry" "${CMAKE_MATCH_1}" "${VERSION}")
string(REGEX MATCH "\n -- [^\n]*>  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9]+)"
       found "${news}")
set(day ${CMAKE_MATCH_1})
set(year ${CMAKE_MATCH_3})
list(FIND months "${CMAKE_MATCH_2}" month)
math(EXPR month "${month} + 1")
if(month LESS 10)
  set(month 0${month})
endif()
set(date ${year}-${month}-${day})

file(READ ${ROOT}/dist/org.quorvane.Quorvane.metainfo.xml metainfo)
string(REGEX MATCH "<release version=\"([^\"]+)\" date=\"([^\"]+)\"" found "${metainfo}")
expect("the metainfo's first release" "${CMAKE_MATCH_1}" "${VERSION}")
expect("the metainfo's first release date" "${CMAKE_MATCH_2}" "${date}")

file(READ ${ROOT}/dist/quorvane.6 manual)
string(REGEX MATCH "\n\\.TH QUORVANE 6 ([^ ]+) \"quorvane ([^\"]+)\"" found "${manual}")
expect("the manual page's date" "${CMAKE_MATCH_1}" "${date}")
expect("the manual page's version" "${CMAKE_MATCH_2}" "${VERSION}")

if(failures)
  list(JOIN failures "\n  " failures)
  message(FATAL_ERROR "Versions disagree with project(VERSION ${VERSION}) and NEWS's date "
                      "${date}:\n  ${failures}")
endif()
message(STATUS "Version ${VERSION} of ${date} everywhere")
