# Writes the package's machine-readable copyright file (DEP-5) from the project's own statements.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
#   cmake -DDEP5=.reuse/dep5 -DSOURCE=CMakeLists.txt -DLICENSES=LICENSES -DOUTPUT=copyright \
#         -P QuorvaneCopyright.cmake
#
# The file is .reuse/dep5's header, then a "Files: *" paragraph with the copyright and licence
# that SOURCE states in its SPDX header (every source file states the same), then .reuse/dep5's
# paragraphs for the data files, then one paragraph per licence named, carrying its full text
# from LICENSES/<name>.txt.

foreach(input DEP5 SOURCE LICENSES OUTPUT)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "QuorvaneCopyright.cmake needs -D${input}=...")
  endif()
endforeach()

file(READ ${DEP5} dep5)
string(REGEX REPLACE "\n+$" "" dep5 "${dep5}")
string(FIND "${dep5}" "\n\n" header_end)
if(header_end LESS 0)
  message(FATAL_ERROR "${DEP5} holds no paragraph after its header")
endif()
string(SUBSTRING "${dep5}" 0 ${header_end} header)
math(EXPR files_start "${header_end} + 2")
string(SUBSTRING "${dep5}" ${files_start} -1 files)

# The tags are spelt in two pieces so that REUSE does not take them for this file's own.
string(CONCAT copyright_tag "SPDX-" "FileCopyrightText")
string(CONCAT licence_tag "SPDX-" "License-Identifier")
file(READ ${SOURCE} source)
string(REGEX MATCH "${copyright_tag}: ([^\n]+)" found "${source}")
set(source_copyright "${CMAKE_MATCH_1}")
string(REGEX MATCH "${licence_tag}: ([^\n]+)" found "${source}")
set(source_licence "${CMAKE_MATCH_1}")
if(NOT source_copyright OR NOT source_licence)
  message(FATAL_ERROR "${SOURCE} states no SPDX copyright and licence")
endif()

set(text "${header}\n\nFiles: *\nCopyright: ${source_copyright}\nLicense: ${source_licence}\n\n")
string(APPEND text "${files}\n")

# Each licence once, in the order of first mention.
string(REGEX MATCHALL "License: [^\n]+" mentions "${text}")
set(licences "")
foreach(mention IN LISTS mentions)
  string(REGEX REPLACE "^License: " "" name "${mention}")
  list(APPEND licences "${name}")
endforeach()
list(REMOVE_DUPLICATES licences)

# A licence text in DEP-5's layout: every line indented by one space, empty lines as " .".
foreach(name IN LISTS licences)
  file(READ ${LICENSES}/${name}.txt body)
  string(REGEX REPLACE "[ \t]+\n" "\n" body "${body}")
  string(REGEX REPLACE "\n+$" "" body "${body}")
  string(REPLACE "\n" "\n " body " ${body}")
  string(REGEX REPLACE "\n \n" "\n .\n" body "${body}")
  string(REGEX REPLACE "\n \n" "\n .\n" body "${body}")
  string(APPEND text "\nLicense: ${name}\n${body}\n")
endforeach()

file(WRITE ${OUTPUT}.partial "${text}")
file(RENAME ${OUTPUT}.partial ${OUTPUT})
