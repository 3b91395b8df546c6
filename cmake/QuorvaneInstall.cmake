# Install rules in the Debian games layout, and the Debian package and the RPM that CPack makes.
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
include(QuorvanePackageMetadata)

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
set(icon_folders)
foreach(size 16 32 48 64 128 256)
  set(folder ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
  install(FILES ${dist}/icons/hicolor/${size}x${size}/apps/${id}.png DESTINATION ${folder})
  list(APPEND icon_folders ${folder})
endforeach()
install(FILES ${dist}/${id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${made}/quorvane.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${made}/copyright ${made}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${dist}/quorvane.lintian-overrides RENAME quorvane
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides)
# Every folder that the rules above install into.
set(installed_folders ${QUORVANE_INSTALL_GAMESDIR} ${QUORVANE_INSTALL_PROGRAMDIR}
    ${QUORVANE_INSTALL_GAMEDATADIR}/graph ${QUORVANE_INSTALL_GAMEDATADIR}/snd
    ${CMAKE_INSTALL_DATAROOTDIR}/applications ${CMAKE_INSTALL_DATAROOTDIR}/metainfo
    ${CMAKE_INSTALL_MANDIR}/man6 ${CMAKE_INSTALL_DOCDIR}
    ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides ${icon_folders})

# The packages. `cpack` alone makes those of the systems whose tools are here: the Debian package
# where dpkg-shlibdeps is (it finds the Depends), the RPM where rpmbuild is, the Debian package
# when neither is; `cpack -G DEB` or `cpack -G RPM` makes one of them.
find_program(QUORVANE_CPACK_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(QUORVANE_CPACK_RPMBUILD rpmbuild)
set(CPACK_GENERATOR)
if(QUORVANE_CPACK_DPKG_SHLIBDEPS OR NOT QUORVANE_CPACK_RPMBUILD)
  list(APPEND CPACK_GENERATOR DEB)
endif()
if(QUORVANE_CPACK_RPMBUILD)
  list(APPEND CPACK_GENERATOR RPM)
endif()
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_CONTACT "${QUORVANE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# The summary, the description and the licence are the metainfo's, which software centres show.
# Debian's synopsis starts in lower case, RPM's summary in upper case.
quorvane_metainfo(${dist}/${id}.metainfo.xml summary description licence)
string(SUBSTRING "${summary}" 0 1 first)
string(SUBSTRING "${summary}" 1 -1 rest)
string(TOLOWER "${first}" first)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${first}${rest}")
set(CPACK_PACKAGE_DESCRIPTION "${description}")

# Reproducible packages: the same bytes from any build folder, umask, time zone, locale or time.
# The debug information names the build folder, and the stripped program keeps a build ID
# computed over it: both folders are mapped to "." (dpkg-buildflags maps the source folder too).
target_compile_options(quorvane_options INTERFACE -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                       -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
# Folders that the install makes take 755, which the umask may still narrow, so the staged tree's
# folders are set to 755 before it is archived; files already take 644 or 755 from the install
# rules.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QuorvaneFolderModes.cmake)
# Every time stamp in the archives is SOURCE_DATE_EPOCH; where it is not set, the date of the
# latest release in NEWS. The members of the Debian package's ar archive take 0644, which CPack
# leaves to the umask.
quorvane_news_epoch(${PROJECT_SOURCE_DIR}/NEWS CPACK_QUORVANE_SOURCE_DATE_EPOCH)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/QuorvaneCPackProject.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/QuorvaneDebMemberModes.cmake)

# The Debian package, quorvane_<version>_<arch>.deb.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The RPM, quorvane-<version>-1.<arch>.rpm, with its dependencies found by rpmbuild and the
# changelog of NEWS. It owns its own folders only, not those that it shares with the system and
# other packages; the copyright file is its licence file, and the lintian overrides stay out.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_SUMMARY "${summary}")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${description}")
set(CPACK_RPM_PACKAGE_LICENSE "${licence}")
set(CPACK_RPM_PACKAGE_GROUP "Amusements/Games")
set(CPACK_RPM_PACKAGE_AUTOREQ ON)
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${QUORVANE_MAINTAINER}")
# Its own folders are those of the program, the data and the documentation; every other folder
# that it installs into, and every folder above one, is shared.
set(own ${QUORVANE_INSTALL_PROGRAMDIR} ${QUORVANE_INSTALL_GAMEDATADIR} ${CMAKE_INSTALL_DOCDIR})
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION)
foreach(folder IN LISTS installed_folders)
  while(NOT folder STREQUAL "" AND NOT folder STREQUAL ".")
    set(shared ON)
    foreach(mine IN LISTS own)
      if(folder STREQUAL mine OR folder MATCHES "^${mine}/")
        set(shared OFF)
      endif()
    endforeach()
    if(shared)
      list(APPEND CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
           ${CPACK_PACKAGING_INSTALL_PREFIX}/${folder})
    endif()
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION)
set(prefix ${CPACK_PACKAGING_INSTALL_PREFIX})
set(CPACK_RPM_USER_FILELIST "%license ${prefix}/${CMAKE_INSTALL_DOCDIR}/copyright"
    "%exclude ${prefix}/${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides/quorvane")
quorvane_rpm_changelog(${PROJECT_SOURCE_DIR}/NEWS ${made}/rpm-changelog)
set(CPACK_RPM_CHANGELOG_FILE ${made}/rpm-changelog)
include(CPack)
