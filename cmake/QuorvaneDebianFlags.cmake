# Debian's build flags from dpkg-buildflags, put on an interface library of the project.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

# Adds the preprocessor, compiler and linker flags that dpkg-buildflags gives to `target`. The
# flags are Debian's with all hardening features (hardening=+all) unless DEB_BUILD_MAINT_OPTIONS
# in the environment chooses otherwise. Optimisation and debug information (-O, -g) are left out:
# the build type decides them.
function(quorvane_debian_flags target)
  if(NOT QUORVANE_DPKG_BUILDFLAGS)
    message(FATAL_ERROR "QUORVANE_DEBIAN_FLAGS=ON needs dpkg-buildflags: install the Debian "
                        "package dpkg-dev, or configure with -DQUORVANE_DEBIAN_FLAGS=OFF.")
  endif()
  if(DEFINED ENV{DEB_BUILD_MAINT_OPTIONS})
    set(options "$ENV{DEB_BUILD_MAINT_OPTIONS}")
  else()
    set(options hardening=+all)
  endif()
  # Run from the source folder, whose path the flags map to "." in debug information.
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${options}"
              ${QUORVANE_DPKG_BUILDFLAGS} --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-[Og]")
    set(${kind} ${flags})
  endforeach()
  target_compile_options(${target} INTERFACE ${CPPFLAGS} ${CXXFLAGS})
  target_link_options(${target} INTERFACE ${LDFLAGS})
  list(JOIN CPPFLAGS " " shown)
  list(JOIN CXXFLAGS " " shown_cxx)
  list(JOIN LDFLAGS " " shown_ld)
  message(STATUS "Debian's build flags: ${shown} ${shown_cxx} ${shown_ld}")
endfunction()
