# The program as a web page: how it is linked, the install rules of the folder that plays it, and
# the zip that CPack makes of that folder.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
# Game hosts take a zip with index.html at its root, and any static file server plays the folder:
#   index.html                  the page: the canvas, the loading of the program and of its data
#                               files, and what the page says while it loads and once the game ends
#   quorvane.js, quorvane.wasm  the program, with SDL, SDL_mixer, SDL_ttf and the libraries under
#                               them compiled in from QUORVANE_WEB_PREFIX (tools/web_libraries.sh)
#   graph/, snd/, Adore64.ttf   the five data files, laid out as on the desktop, which the page
#                               fetches: a host can replace one without a rebuild
#   LICENSES.txt                which licence each file is under, and where the libraries'
#                               sources are
#   LICENSES/                   the project's licence texts, and each library's licence files in
#                               LICENSES/<library>/
# `cpack` in the build folder makes quorvane-<version>-web.zip of it.

set(prefix "${QUORVANE_WEB_PREFIX}")
if(NOT EXISTS "${prefix}/versions.txt")
  message(FATAL_ERROR "QUORVANE_WEB_PREFIX (\"${prefix}\") is not a prefix made by "
                      "tools/web_libraries.sh: it has no versions.txt")
endif()
set(made ${PROJECT_BINARY_DIR}/dist)

target_link_options(quorvane PRIVATE
  # The main loop and SDL_Delay wait in emscripten_sleep, which hands the page its turn: the
  # program's stack is unwound meanwhile and rewound after.
  -sASYNCIFY
  # The page starts main itself, once the data files are in its file system and sound may play,
  # and learns from ccall's promise when main has returned.
  -sINVOKE_RUN=0 -sEXPORTED_RUNTIME_METHODS=ccall,FS -sFORCE_FILESYSTEM=1
  # The music is read whole into memory, up to 16 MiB.
  -sALLOW_MEMORY_GROWTH=1
  -sENVIRONMENT=web)

# The version of each library as the prefix records it.
include(QuorvaneLibraryVersions)
quorvane_library_versions(${prefix} SDL SDL_mixer ogg vorbis freetype SDL_ttf emscripten)
configure_file(${PROJECT_SOURCE_DIR}/dist/web/LICENSES.txt.in ${made}/LICENSES.txt @ONLY)

install(TARGETS quorvane RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE_DIR:quorvane>/quorvane.wasm ${PROJECT_SOURCE_DIR}/dist/web/index.html
        DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/graph/quorspla.bmp ${PROJECT_SOURCE_DIR}/graph/splash.bmp
        DESTINATION graph)
install(FILES ${PROJECT_SOURCE_DIR}/snd/quor.wav ${PROJECT_SOURCE_DIR}/snd/menumusic.ogg
        DESTINATION snd)
install(FILES ${PROJECT_SOURCE_DIR}/Adore64.ttf ${made}/LICENSES.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSES/MIT.txt ${PROJECT_SOURCE_DIR}/LICENSES/OFL-1.1.txt
        ${PROJECT_SOURCE_DIR}/LICENSES/CC-BY-4.0.txt DESTINATION LICENSES)
install(DIRECTORY "${prefix}/share/licenses/" DESTINATION LICENSES)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "The Quorvane developers")
set(CPACK_PACKAGE_FILE_NAME quorvane-${PROJECT_VERSION}-web)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
