# Install rules of the Windows build, and the zip and the installer that CPack makes of them.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
# The program opens its data files by relative path, so everything lies in one folder, which is
# the working folder of the Start menu's shortcut:
#   quorvane.exe               the program, a GUI program, with the game's icon and its version
#                              details (dist/windows/quorvane.rc.in)
#   *.dll                      SDL, SDL_mixer, SDL_ttf and the libraries under them, from
#                              QUORVANE_WIN64_PREFIX (tools/win64_libraries.sh)
#   graph/, snd/, Adore64.ttf  the five data files, laid out as in the repository
#   README.md, docs/           the README and the pages it links to
#   LICENSES.txt               which licence each file is under, and where the libraries'
#                              sources are
#   LICENSES/                  the project's licence texts, and each library's licence files in
#                              LICENSES/<library>/
# `cpack` in the build folder makes quorvane-<version>-win64.zip, that folder zipped, and
# quorvane-<version>-win64.exe, an NSIS installer of it.

set(prefix "${QUORVANE_WIN64_PREFIX}")
if(NOT EXISTS "${prefix}/versions.txt")
  message(FATAL_ERROR "QUORVANE_WIN64_PREFIX (\"${prefix}\") is not a prefix made by "
                      "tools/win64_libraries.sh: it has no versions.txt")
endif()
set(made ${PROJECT_BINARY_DIR}/dist)

# The version of each library as the prefix records it.
include(QuorvaneLibraryVersions)
quorvane_library_versions(${prefix} SDL SDL_mixer ogg vorbis freetype SDL_ttf)
# The compiler's runtime goes into every binary: its Debian source packages, as installed.
execute_process(
  COMMAND dpkg-query -W "-f=\${source:Version}\n" g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  OUTPUT_VARIABLE runtime_versions OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" ";" runtime_versions "${runtime_versions}")
list(GET runtime_versions 0 GCC_MINGW_VERSION)
list(GET runtime_versions 1 MINGW_VERSION)
configure_file(${PROJECT_SOURCE_DIR}/dist/windows/LICENSES.txt.in ${made}/LICENSES.txt @ONLY)

# What the program and the installer say of themselves: the name, the version, the vendor, the
# metainfo's summary and licence, and the copyright that the sources state in their SPDX headers.
include(QuorvanePackageMetadata)
quorvane_metainfo(${PROJECT_SOURCE_DIR}/dist/org.quorvane.Quorvane.metainfo.xml summary
                  description licence)
# The tag is spelt in two pieces so that REUSE does not take it for this file's own.
string(CONCAT copyright_tag "SPDX-" "FileCopyrightText")
file(STRINGS ${PROJECT_SOURCE_DIR}/CMakeLists.txt copyright REGEX "${copyright_tag}: "
     LIMIT_COUNT 1)
string(REGEX REPLACE ".*${copyright_tag}: " "" copyright "${copyright}")
set(name Quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${summary}")
# Explorer shows the copyright as it is; the licences of the files are told in LICENSES.txt.
set(legal_copyright "© ${copyright}. Licence: ${licence}, see LICENSES.txt")
set(icon ${PROJECT_SOURCE_DIR}/dist/windows/quorvane.ico)

# The program's resources: the icon and the version details, compiled by windres. They are an
# object library of their own, since the program's compile options (warnings, sanitizers) are the
# C++ compiler's, which windres does not take.
enable_language(RC)
set(QUORVANE_RC_ICON ${icon})
set(QUORVANE_RC_NAME ${name})
set(QUORVANE_RC_VERSION_NUMBERS
    "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
set(QUORVANE_RC_COMMENTS "${summary}")
set(QUORVANE_RC_COPYRIGHT "${legal_copyright}")
foreach(value IN ITEMS "${summary}" "${legal_copyright}")
  if(value MATCHES "[\"\\\\$]")
    message(FATAL_ERROR "\"${value}\" would need quoting in the resources and the installer")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/dist/windows/quorvane.rc.in ${made}/quorvane.rc @ONLY)
add_library(quorvane_resources OBJECT ${made}/quorvane.rc)
# windres reads the icon when it compiles, unseen by CMake's scan of the file's includes.
set_source_files_properties(${made}/quorvane.rc PROPERTIES OBJECT_DEPENDS ${icon})
target_link_libraries(quorvane PRIVATE quorvane_resources)

install(TARGETS quorvane RUNTIME DESTINATION .)
# strip stamps a Windows program with the time of the moment, so that every stripped install
# would differ from the last, the zip's from the installer's: a stripped install (cpack's, or
# --strip) strips the program again with a fixed time stamp, SOURCE_DATE_EPOCH or else 0.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    set(epoch 0)
    if(DEFINED ENV{SOURCE_DATE_EPOCH})
      set(epoch \$ENV{SOURCE_DATE_EPOCH})
    endif()
    execute_process(COMMAND \${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=\${epoch}
      \"${CMAKE_STRIP}\" --strip-all \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/quorvane.exe\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
file(GLOB dlls "${prefix}/bin/*.dll")
install(FILES ${dlls} DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/graph/quorspla.bmp ${PROJECT_SOURCE_DIR}/graph/splash.bmp
        DESTINATION graph)
install(FILES ${PROJECT_SOURCE_DIR}/snd/quor.wav ${PROJECT_SOURCE_DIR}/snd/menumusic.ogg
        DESTINATION snd)
install(FILES ${PROJECT_SOURCE_DIR}/Adore64.ttf ${PROJECT_SOURCE_DIR}/README.md
        ${made}/LICENSES.txt DESTINATION .)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSES/MIT.txt ${PROJECT_SOURCE_DIR}/LICENSES/OFL-1.1.txt
        ${PROJECT_SOURCE_DIR}/LICENSES/CC-BY-4.0.txt DESTINATION LICENSES)
install(DIRECTORY "${prefix}/share/licenses/" DESTINATION LICENSES)

# Debian's makensis makes 32-bit installers unless told the target, which must reach it as one
# argument; CPack passes its own arguments to makensis unquoted, hence this wrapper.
find_program(QUORVANE_MAKENSIS makensis)
if(QUORVANE_MAKENSIS)
  file(WRITE ${made}/makensis-amd64
       "#!/bin/sh\nexec \"${QUORVANE_MAKENSIS}\" \"-XTarget amd64-unicode\" \"$@\"\n")
  file(CHMOD ${made}/makensis-amd64 PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
       GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CPACK_NSIS_EXECUTABLE ${made}/makensis-amd64)
endif()

set(CPACK_GENERATOR ZIP)
if(QUORVANE_MAKENSIS)
  list(APPEND CPACK_GENERATOR NSIS)
endif()
# The values below reach the NSIS script as they are written here.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_FILE_NAME quorvane-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
set(CPACK_RESOURCE_FILE_LICENSE ${made}/LICENSES.txt)
# The installer: into Program Files of 64-bit programs for every user of the machine, with a
# Start menu folder holding the game's shortcut, started in its own folder, and the
# uninstaller's; an earlier installation is uninstalled first. The uninstaller deletes every file
# that the installer wrote, the folders that it made and its registry keys.
set(CPACK_PACKAGE_INSTALL_DIRECTORY Quorvane)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Quorvane)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME ${name})
set(CPACK_NSIS_DISPLAY_NAME ${name})
# The uninstall entry shows the program's icon.
set(CPACK_NSIS_INSTALLED_ICON_NAME quorvane.exe)
# The installer and the uninstaller carry the game's icon, and the installer the program's version
# details, which makensis writes into its own resources. CPack's script template puts
# CPACK_NSIS_DEFINES among the installer's attributes, at the script's top level where these
# commands belong; CPack fills it itself only for installers that download components.
set(CPACK_NSIS_MUI_ICON ${icon})
set(CPACK_NSIS_MUI_UNIICON ${icon})
set(CPACK_NSIS_DEFINES "  VIProductVersion ${PROJECT_VERSION}.0
  VIAddVersionKey CompanyName \"${CPACK_PACKAGE_VENDOR}\"
  VIAddVersionKey ProductName \"${name}\"
  VIAddVersionKey ProductVersion \"${PROJECT_VERSION}\"
  VIAddVersionKey FileVersion \"${PROJECT_VERSION}\"
  VIAddVersionKey FileDescription \"${name} installer\"
  VIAddVersionKey Comments \"${summary}\"
  VIAddVersionKey LegalCopyright \"${legal_copyright}\"
  VIAddVersionKey OriginalFilename \"${CPACK_PACKAGE_FILE_NAME}.exe\"")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# A shortcut starts its program in the output folder of the moment it is made.
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "  SetOutPath \"$INSTDIR\"\n  CreateShortCut \"$SMPROGRAMS\\$STARTMENU_FOLDER\\Quorvane.lnk\" \"$INSTDIR\\quorvane.exe\"")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "  Delete \"$SMPROGRAMS\\$MUI_TEMP\\Quorvane.lnk\"")
include(CPack)
