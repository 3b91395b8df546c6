# Run by cpack after its staging install, before it archives: every folder takes mode 755.
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
#
# The install makes its folders with CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS, but mkdir
# clears from them what the umask holds: under umask 027 or 077 the package would ship folders
# that only root can enter, and differ from a package made under 022.
file(GLOB_RECURSE entries LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(entry IN LISTS entries)
  if(IS_DIRECTORY "${entry}" AND NOT IS_SYMLINK "${entry}")
    file(CHMOD "${entry}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
         GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
