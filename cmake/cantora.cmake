# Small helpers shared by the project's CMakeLists files.

# Adds a layer's folder when it exists, so that a folder without code never
# becomes an empty library.
# -DCANTORA_LAYERS="platform;state" restricts a build to some layers (and
# their tests), for working on one layer while others are mid-change.
set(CANTORA_LAYERS "" CACHE STRING "Build only these layer folders (empty: all)")
function(cantora_add_layer dir)
  if(CANTORA_LAYERS AND NOT dir IN_LIST CANTORA_LAYERS AND NOT dir STREQUAL "support")
    return()
  endif()
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endfunction()

# Every project target sees the source tree root, so includes read
# "audiofile/wav_reader.h"; the link line, not the include path, keeps the
# layers apart, and tests/layering checks the includes.
function(cantora_use_src_root target)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# cantora_add_bench(NAME SOURCES files... LIBS targets...): a benchmark program
# in bin/bench/, run by `make bench`.
function(cantora_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/bench)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin/bench)
endfunction()

# Where the installed files go, relative to the installation prefix; the build
# tree keeps the same places. The driver libraries are private to Cantora. An
# absolute folder would break the relative paths between programs, catalogue
# and drivers that make both trees work without configuration, so it is refused.
foreach(dir BINDIR LIBDIR DATADIR MANDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    message(FATAL_ERROR "CMAKE_INSTALL_${dir} (${CMAKE_INSTALL_${dir}}) must be relative to "
                        "CMAKE_INSTALL_PREFIX: the programs find their drivers relative to bin/")
  endif()
endforeach()
set(CANTORA_DRIVER_DIR ${CMAKE_INSTALL_LIBDIR}/cantora/drivers)
set(CANTORA_CATALOGUE ${CMAKE_INSTALL_DATADIR}/cantora/drivers.ini)
# The catalogue seen from the programs' folder, and the drivers seen from the
# catalogue's folder (both "../.."-style paths, the same in both trees).
file(RELATIVE_PATH CANTORA_CATALOGUE_FROM_BINDIR /${CMAKE_INSTALL_BINDIR} /${CANTORA_CATALOGUE})
get_filename_component(_catalogue_dir /${CANTORA_CATALOGUE} DIRECTORY)
file(RELATIVE_PATH CANTORA_DRIVERS_FROM_CATALOGUE ${_catalogue_dir} /${CANTORA_DRIVER_DIR})
