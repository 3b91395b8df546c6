# CMake toolchain for builds that run in web browsers, made with Debian's emscripten.
#   export QUORVANE_WEB_PREFIX=$(tools/web_libraries.sh)
#   cmake -S . -B build-web --toolchain cmake/emscripten.cmake
# QUORVANE_WEB_PREFIX, a cache variable taken from the environment variable of that name when it
# is not given, is the prefix of the libraries that tools/web_libraries.sh builds: pkg-config
# looks there alone, never at the machine's own libraries or at emscripten's own SDL.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

# Emscripten's own toolchain file, from the folder that its compiler names.
execute_process(COMMAND em-config EMSCRIPTEN_ROOT OUTPUT_VARIABLE quorvane_emscripten_root
                OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE quorvane_status)
if(NOT quorvane_status EQUAL 0)
  message(FATAL_ERROR "em-config did not run: install the Debian package emscripten")
endif()
include(${quorvane_emscripten_root}/cmake/Modules/Platform/Emscripten.cmake)

if(NOT QUORVANE_WEB_PREFIX AND DEFINED ENV{QUORVANE_WEB_PREFIX})
  set(QUORVANE_WEB_PREFIX "$ENV{QUORVANE_WEB_PREFIX}")
endif()
set(QUORVANE_WEB_PREFIX "${QUORVANE_WEB_PREFIX}" CACHE PATH
    "Prefix of the libraries that tools/web_libraries.sh builds")
# The compiler checks run in projects of their own, which are handed the prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVANE_WEB_PREFIX)
get_property(quorvane_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT quorvane_in_try_compile AND NOT EXISTS "${QUORVANE_WEB_PREFIX}/lib/pkgconfig/sdl.pc")
  message(FATAL_ERROR "QUORVANE_WEB_PREFIX (\"${QUORVANE_WEB_PREFIX}\") holds no browser build "
                      "of SDL: set it to what tools/web_libraries.sh prints, in the environment "
                      "or with -DQUORVANE_WEB_PREFIX=")
endif()

# Headers and libraries come from the prefix before emscripten's own folder, whose SDL headers
# are those of its JavaScript SDL; programs (pkg-config, Python, the test tools) are the machine's.
list(PREPEND CMAKE_FIND_ROOT_PATH "${QUORVANE_WEB_PREFIX}")
set(ENV{PKG_CONFIG_LIBDIR} "${QUORVANE_WEB_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
unset(ENV{PKG_CONFIG_SYSROOT_DIR})

# The programs run in a browser, not under node: the tests of this build open them there.
set(CMAKE_CROSSCOMPILING_EMULATOR "" CACHE FILEPATH "Nothing runs the programs of a web build" FORCE)

# Emscripten's last link step runs its JavaScript tools on node, which must find Debian's
# JavaScript modules; a node from elsewhere does not look there.
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=/usr/share/nodejs)
