# Run by cpack after it has made the packages: the members of a Debian package take mode 0644.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
# CPack's Debian generator writes debian-binary, control.tar.gz and data.tar.gz with the umask's
# permissions and puts them in the ar archive with those modes (0664 under umask 002). Each
# member's header is 60 characters of text: name (16), time (12), owner (6), group (6), mode (8),
# size (10) and "`\n"; the mode is written over in place, the rest stays as CPack made it.
find_program(QUORVANE_DD dd REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.deb$")
    continue()
  endif()
  file(SIZE ${package} size)
  file(READ ${package} magic LIMIT 8)
  if(NOT magic STREQUAL "!<arch>\n")
    message(FATAL_ERROR "${package} is not an ar archive")
  endif()
  set(mode_file ${package}.member-mode)
  file(WRITE ${mode_file} "100644  ")
  set(header 8)
  while(header LESS size)
    file(READ ${package} fields OFFSET ${header} LIMIT 60)
    string(SUBSTRING "${fields}" 48 10 member_size)
    string(STRIP "${member_size}" member_size)
    if(NOT member_size MATCHES "^[0-9]+$" OR NOT fields MATCHES "`\n$")
      message(FATAL_ERROR "${package}: no ar member header at byte ${header}")
    endif()
    math(EXPR mode_at "${header} + 40")
    execute_process(COMMAND ${QUORVANE_DD} of=${package} bs=1 seek=${mode_at} conv=notrunc
                            status=none
                    INPUT_FILE ${mode_file} COMMAND_ERROR_IS_FATAL ANY)
    # Members start at even offsets.
    math(EXPR header "${header} + 60 + ${member_size} + ${member_size} % 2")
  endwhile()
  file(REMOVE ${mode_file})
endforeach()
