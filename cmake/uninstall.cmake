# Removes the files listed in an install manifest (run by the uninstall
# target: cmake -DMANIFEST=... -P uninstall.cmake), then the folders that only
# Cantora uses, when they are left empty. Shared folders (bin/, the icon
# theme's, applications/) stay. The manifest lists the paths below the prefix
# without DESTDIR: a staged install is removed with the same DESTDIR set.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is missing (no install from this "
                      "build tree, or it was removed already)")
endif()
file(STRINGS "${MANIFEST}" files)
set(private_dirs "")
foreach(file IN LISTS files)
  set(file "$ENV{DESTDIR}${file}")
  if(IS_SYMLINK "${file}" OR EXISTS "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
  endif()
  # lib/cantora/drivers/X.so -> lib/cantora/drivers and lib/cantora;
  # share/cantora/drivers.ini -> share/cantora
  if(file MATCHES "^(.*/cantora)(/drivers)?/[^/]+$")
    list(APPEND private_dirs "${CMAKE_MATCH_1}${CMAKE_MATCH_2}" "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(REMOVE_DUPLICATES private_dirs)
foreach(dir IN LISTS private_dirs)
  file(GLOB left "${dir}/*")
  if(IS_DIRECTORY "${dir}" AND NOT left)
    file(REMOVE_RECURSE "${dir}")
  endif()
endforeach()
file(REMOVE "${MANIFEST}")
