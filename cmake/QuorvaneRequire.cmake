# Checks for the tools of the test suite that stop the configuration with the Debian package to install.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

# Stops the configuration when `condition` is false: `what` is missing, from Debian's `package`.
function(quorvane_require condition what package)
  if(NOT ${condition})
    message(FATAL_ERROR "${what} is missing: install the Debian package ${package} "
                        "(tools/build.sh test installs everything the tests need), "
                        "or configure with -DBUILD_TESTING=OFF to build the program alone.")
  endif()
endfunction()

# Finds `program` into the cache variable `var`, or stops with the Debian `package` that has it.
function(quorvane_require_program var program package)
  find_program(${var} ${program})
  quorvane_require(${var} "${program}" ${package})
endfunction()

# Stops unless Python3_EXECUTABLE can import `module`, which Debian's `package` provides.
function(quorvane_require_python_module module package)
  execute_process(COMMAND ${Python3_EXECUTABLE} -c "import ${module}"
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    set(found OFF)
  else()
    set(found ON)
  endif()
  quorvane_require(found "The Python module ${module}" ${package})
endfunction()
