# Checks for the tools of the test suite: a missing tool leaves out the tests that need it, with one
# line naming the Debian packages that bring them back; QUORVANE_REQUIRE_TESTS=ON makes it an error.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

# Each group of tests checks its tools with the quorvane_require* functions, which note what is
# missing, then asks quorvane_tests_found whether to add its tests.

# Notes `what`, from the Debian packages `packages` (a list), as missing when `condition` is false.
function(quorvane_require condition what packages)
  if(NOT ${condition})
    set_property(GLOBAL APPEND PROPERTY quorvane_missing "${what}")
    set_property(GLOBAL APPEND PROPERTY quorvane_missing_packages ${packages})
  endif()
endfunction()

# Finds `program` into the cache variable `var`, or notes it missing with the Debian `package`.
function(quorvane_require_program var program package)
  find_program(${var} ${program})
  quorvane_require(${var} "${program}" ${package})
endfunction()

# The X server and the X clients through which the end-to-end runs and the whole-process benchmark
# drive the program and see its window (tests/e2e/xharness.py).
function(quorvane_require_x_tools)
  quorvane_require_program(QUORVANE_XVFB Xvfb xvfb)
  quorvane_require_program(QUORVANE_XDOTOOL xdotool xdotool)
  quorvane_require_program(QUORVANE_XWD xwd x11-apps)
  quorvane_require_program(QUORVANE_XPROP xprop x11-utils)
endfunction()

# Notes Python 3 (Python3_EXECUTABLE, found by the top CMakeLists.txt) and each of the given
# modules, which Debian packages as python3-<module in lower case>, as missing unless it imports.
function(quorvane_require_python)
  quorvane_require(Python3_FOUND "Python 3" python3)
  foreach(module IN LISTS ARGN)
    # Each module is tried once per configuration.
    get_property(checked GLOBAL PROPERTY quorvane_python_${module} SET)
    if(checked)
      get_property(found GLOBAL PROPERTY quorvane_python_${module})
    else()
      set(found OFF)
      if(Python3_FOUND)
        execute_process(COMMAND ${Python3_EXECUTABLE} -c "import ${module}"
                        RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
        if(status EQUAL 0)
          set(found ON)
        endif()
      endif()
      set_property(GLOBAL PROPERTY quorvane_python_${module} ${found})
    endif()
    string(TOLOWER ${module} package)
    quorvane_require(found ${module} python3-${package})
  endforeach()
endfunction()

# Sets `result` to ON when everything noted since the last call was found. Otherwise sets it to OFF
# and says in one line that `tests` are left out and which Debian packages bring them back; with
# QUORVANE_REQUIRE_TESTS=ON, that line is an error, which fails the configuration once every group
# has been checked, so that a run of the test suite never silently runs fewer tests.
function(quorvane_tests_found result tests)
  get_property(missing GLOBAL PROPERTY quorvane_missing)
  get_property(packages GLOBAL PROPERTY quorvane_missing_packages)
  set_property(GLOBAL PROPERTY quorvane_missing)
  set_property(GLOBAL PROPERTY quorvane_missing_packages)
  if(NOT missing)
    set(${result} ON PARENT_SCOPE)
    return()
  endif()
  # "a, b and c"
  list(POP_BACK missing needs)
  if(missing)
    list(JOIN missing ", " missing)
    set(needs "${missing} and ${needs}")
  endif()
  list(REMOVE_DUPLICATES packages)
  list(JOIN packages " " packages)
  if(QUORVANE_REQUIRE_TESTS)
    message(SEND_ERROR "Cannot add ${tests} for want of ${needs}: install the Debian packages "
                       "${packages} (tools/build.sh test installs everything the tests need), or "
                       "configure with -DQUORVANE_REQUIRE_TESTS=OFF to leave these tests out.")
  else()
    message(NOTICE "Left out ${tests} for want of ${needs}: install the Debian packages ${packages}")
  endif()
  set(${result} OFF PARENT_SCOPE)
endfunction()
