# Install rules in the Debian games layout, and the Debian package that CPack makes of them.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
# Under the prefix (/usr/local by hand, /usr in the package):
#   games/quorvane                    the launcher, which starts the program in its data folder
#   lib/games/quorvane/quorvane       the program itself
#   share/games/quorvane/             the five data files, laid out as in the repository
# and the desktop entry, the icons, the AppStream metainfo, the manual page, the copyright file
# and the changelog where the desktop and Debian look for them. Nothing here needs more than the
# program's own build. The three QUORVANE_INSTALL_* variables below move the first three, for a
# layout without games folders (bin, libexec/quorvane and share/quorvane, as Fedora, Arch and
# Flatpak have it), say.

set(QUORVANE_INSTALL_GAMESDIR games CACHE STRING "Folder of the launcher, under the prefix")
set(QUORVANE_INSTALL_PROGRAMDIR lib/games/quorvane CACHE STRING
    "Folder of the program itself, under the prefix")
set(QUORVANE_INSTALL_GAMEDATADIR ${CMAKE_INSTALL_DATAROOTDIR}/games/quorvane CACHE STRING
    "Folder of the data files, under the prefix")
set(QUORVANE_MAINTAINER "The Quorvane developers <developers@quorvane.org>" CACHE STRING
    "Maintainer of the Debian package, as \"Name <address>\"")

# The launcher finds the program and the data from its own place, so the three folders must keep
# their places relative to each other wherever the tree is installed or unpacked.
foreach(dir GAMESDIR PROGRAMDIR GAMEDATADIR)
  if(IS_ABSOLUTE "${QUORVANE_INSTALL_${dir}}")
    message(FATAL_ERROR "QUORVANE_INSTALL_${dir} must be relative to the prefix, so that the "
                        "launcher finds the program and its data wherever the tree is put")
  endif()
endforeach()
# A launcher in the program's place would start itself over and over.
if(QUORVANE_INSTALL_GAMESDIR STREQUAL QUORVANE_INSTALL_PROGRAMDIR)
  message(FATAL_ERROR "QUORVANE_INSTALL_GAMESDIR and QUORVANE_INSTALL_PROGRAMDIR must differ: "
                      "the launcher and the program are both named quorvane")
endif()
file(RELATIVE_PATH LAUNCHER_TO_PREFIX /prefix/${QUORVANE_INSTALL_GAMESDIR} /prefix)
string(REGEX REPLACE "/$" "" LAUNCHER_TO_PREFIX "${LAUNCHER_TO_PREFIX}")
set(PREFIX_TO_PROGRAM ${QUORVANE_INSTALL_PROGRAMDIR}/quorvane)
set(PREFIX_TO_DATA ${QUORVANE_INSTALL_GAMEDATADIR})

set(dist ${PROJECT_SOURCE_DIR}/dist)
set(made ${PROJECT_BINARY_DIR}/dist)
set(id org.quorvane.Quorvane)
find_program(QUORVANE_GZIP gzip REQUIRED)

configure_file(${dist}/quorvane.sh.in ${made}/quorvane @ONLY)

# The manual page and the changelog, compressed as Debian ships them: gzip -9 without a name or
# time stamp, so that every build makes the same bytes.
add_custom_command(
  OUTPUT ${made}/quorvane.6.gz ${made}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${dist}/quorvane.6 ${made}/quorvane.6
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/NEWS ${made}/changelog
  COMMAND ${QUORVANE_GZIP} -9nf ${made}/quorvane.6 ${made}/changelog
  DEPENDS ${dist}/quorvane.6 ${PROJECT_SOURCE_DIR}/NEWS
  COMMENT "Compressing the manual page and the changelog")
# The copyright file: the statements of .reuse/dep5 and the source headers, with the licence texts.
add_custom_command(
  OUTPUT ${made}/copyright
  COMMAND ${CMAKE_COMMAND} -DDEP5=${PROJECT_SOURCE_DIR}/.reuse/dep5
          -DSOURCE=${PROJECT_SOURCE_DIR}/CMakeLists.txt -DLICENSES=${PROJECT_SOURCE_DIR}/LICENSES
          -DOUTPUT=${made}/copyright -P ${CMAKE_CURRENT_LIST_DIR}/QuorvaneCopyright.cmake
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/QuorvaneCopyright.cmake ${PROJECT_SOURCE_DIR}/.reuse/dep5
          ${PROJECT_SOURCE_DIR}/CMakeLists.txt ${PROJECT_SOURCE_DIR}/LICENSES/MIT.txt
          ${PROJECT_SOURCE_DIR}/LICENSES/OFL-1.1.txt ${PROJECT_SOURCE_DIR}/LICENSES/CC-BY-4.0.txt
  COMMENT "Writing the copyright file")
add_custom_target(quorvane_dist ALL
  DEPENDS ${made}/quorvane.6.gz ${made}/changelog.gz ${made}/copyright)

install(TARGETS quorvane RUNTIME DESTINATION ${QUORVANE_INSTALL_PROGRAMDIR})
# A stripped install (cpack's, or --strip) also drops the compiler's notes, as dh_strip does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${QUORVANE_INSTALL_PROGRAMDIR}/quorvane\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(PROGRAMS ${made}/quorvane DESTINATION ${QUORVANE_INSTALL_GAMESDIR})
install(FILES ${PROJECT_SOURCE_DIR}/graph/quorspla.bmp ${PROJECT_SOURCE_DIR}/graph/splash.bmp
        DESTINATION ${QUORVANE_INSTALL_GAMEDATADIR}/graph)
install(FILES ${PROJECT_SOURCE_DIR}/snd/quor.wav ${PROJECT_SOURCE_DIR}/snd/menumusic.ogg
        DESTINATION ${QUORVANE_INSTALL_GAMEDATADIR}/snd)
install(FILES ${PROJECT_SOURCE_DIR}/Adore64.ttf DESTINATION ${QUORVANE_INSTALL_GAMEDATADIR})

install(FILES ${dist}/${id}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
foreach(size 16 32 48 64 128 256)
  install(FILES ${dist}/icons/hicolor/${size}x${size}/apps/${id}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${dist}/${id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${made}/quorvane.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${made}/copyright ${made}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${dist}/quorvane.lintian-overrides RENAME quorvane
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides)

# The Debian package: `cpack -G DEB` in the build folder makes quorvane_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_CONTACT "${QUORVANE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "front end of a small game: logo, title picture and menu, with music")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvane opens a 640 by 480 window, shows its maker's logo while the logo
sound plays, and then, under looping menu music, the main menu over a painted
title picture. From the menu the player starts the game screen or goes to a
quit confirmation. It is played from the keyboard.

Every picture, sound and the font are the project's own work.")
include(CPack)
