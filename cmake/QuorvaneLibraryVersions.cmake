# The versions of the libraries in a prefix that tools/win64_libraries.sh or tools/web_libraries.sh
# made, as its versions.txt records them ("NAME<tab>VERSION<tab>ORIGIN"), for the packages'
# overviews of the licences.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

# Sets <NAME>_VERSION_FULL and <NAME>_ORIGIN (NAME in upper case) for each library named after
# `prefix`, and SDL_TTF_COMMIT, the commit of SDL_ttf's release; a library that versions.txt does
# not name is an error. A line of the compiler names its Debian package after its version, and is
# read under the package's name. A changed versions.txt configures the build again.
function(quorvane_library_versions prefix)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${prefix}/versions.txt")
  file(STRINGS "${prefix}/versions.txt" versions REGEX "^[^#]")
  foreach(library IN LISTS ARGN)
    string(TOUPPER ${library} variable)
    set(version "")
    foreach(line IN LISTS versions)
      string(REGEX REPLACE "^toolchain\t([^\t]+)\tDebian package (.+)$" "\\2\t\\1\t\\2" line
             "${line}")
      if(line MATCHES "^${library}\t([^\t]+)\t(.*)$")
        set(version "${CMAKE_MATCH_1}")
        set(origin "${CMAKE_MATCH_2}")
      endif()
    endforeach()
    if(NOT version)
      message(FATAL_ERROR "${prefix}/versions.txt names no version of ${library}")
    endif()
    set(${variable}_VERSION_FULL "${version}" PARENT_SCOPE)
    set(${variable}_ORIGIN "${origin}" PARENT_SCOPE)
    if(library STREQUAL "SDL_ttf")
      if(NOT origin MATCHES "release commit ([0-9a-f]+)")
        message(FATAL_ERROR "${prefix}/versions.txt names no commit of SDL_ttf")
      endif()
      set(SDL_TTF_COMMIT ${CMAKE_MATCH_1} PARENT_SCOPE)
    endif()
  endforeach()
endfunction()
