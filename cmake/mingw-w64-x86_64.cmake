# CMake toolchain for 64-bit Windows builds on Debian with mingw-w64, their tests run under Wine.
#   export QUORVANE_WIN64_PREFIX=$(tools/win64_libraries.sh)
#   cmake -S . -B build-win64 --toolchain cmake/mingw-w64-x86_64.cmake
# QUORVANE_WIN64_PREFIX, a cache variable taken from the environment variable of that name when
# it is not given, is the prefix of the cross-built libraries that tools/win64_libraries.sh
# prints: pkg-config looks there alone, never at the machine's own libraries.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QUORVANE_WIN64_HOST x86_64-w64-mingw32)

# The compilers of the POSIX thread model, whose C++ library has std::thread, std::mutex and
# std::future (Debian's default model, win32, lacks them in GCC 12). The model's thread library,
# winpthread, is linked in statically below.
set(CMAKE_C_COMPILER ${QUORVANE_WIN64_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVANE_WIN64_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVANE_WIN64_HOST}-windres)

if(NOT QUORVANE_WIN64_PREFIX AND DEFINED ENV{QUORVANE_WIN64_PREFIX})
  set(QUORVANE_WIN64_PREFIX "$ENV{QUORVANE_WIN64_PREFIX}")
endif()
set(QUORVANE_WIN64_PREFIX "${QUORVANE_WIN64_PREFIX}" CACHE PATH
    "Prefix of the Windows libraries that tools/win64_libraries.sh builds")
# The compiler checks run in projects of their own, which are handed the prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVANE_WIN64_PREFIX)
get_property(quorvane_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT quorvane_in_try_compile AND NOT EXISTS "${QUORVANE_WIN64_PREFIX}/lib/pkgconfig/sdl.pc")
  message(FATAL_ERROR "QUORVANE_WIN64_PREFIX (\"${QUORVANE_WIN64_PREFIX}\") holds no Windows "
                      "build of SDL: set it to what tools/win64_libraries.sh prints, in the "
                      "environment or with -DQUORVANE_WIN64_PREFIX=")
endif()

# Headers, libraries and packages come from the prefix and mingw-w64's own folder only; programs
# (pkg-config, Python, the test tools) are the machine's.
set(CMAKE_FIND_ROOT_PATH "${QUORVANE_WIN64_PREFIX}" /usr/${QUORVANE_WIN64_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${QUORVANE_WIN64_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
unset(ENV{PKG_CONFIG_SYSROOT_DIR})

# The GCC runtime, the C++ library and winpthread go into the program, so that it needs no DLL
# besides Windows' own and the libraries of the prefix. libstdc++ refers to winpthread, which
# must therefore follow it on the link line: the standard libraries come after everything else.
# The rest of the list is CMake's own default for MinGW.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_CXX_STANDARD_LIBRARIES
    "-Wl,-Bstatic -lstdc++ -lwinpthread -Wl,-Bdynamic -lkernel32 -luser32 -lgdi32 -lwinspool -lshell32 -lole32 -loleaut32 -luuid -lcomdlg32 -ladvapi32"
    CACHE STRING "Libraries linked into every C++ executable and shared library")

# Cross-built test programs run under Wine, in a Wine prefix of the build's own (QUORVANE_WINEPREFIX,
# made on first use), quiet, with the .NET and HTML engines off so that a new prefix does not ask
# to install Mono and Gecko, without the menu builder that would copy a program's shortcuts into
# the desktop's menus, and with the library prefix's DLLs on Wine's search path. Debian's `wine`
# runs the 64-bit loader when 32-bit Wine is not installed. QUORVANE_WINE_ENV is that environment,
# which the end-to-end tests give to the Wine they start.
find_program(QUORVANE_WINE wine NO_CMAKE_FIND_ROOT_PATH)
set(QUORVANE_WINEPREFIX "${CMAKE_BINARY_DIR}/wine" CACHE PATH
    "Wine prefix in which the tests of the Windows build run")
if(QUORVANE_WINE)
  string(REPLACE "/" "\\" quorvane_wine_path "Z:${QUORVANE_WIN64_PREFIX}/bin")
  set(QUORVANE_WINE_ENV "WINEPREFIX=${QUORVANE_WINEPREFIX}" WINEDEBUG=-all
      WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe= "WINEPATH=${quorvane_wine_path}")
  set(CMAKE_CROSSCOMPILING_EMULATOR env ${QUORVANE_WINE_ENV} ${QUORVANE_WINE})
endif()
