# Where the tests find the shared test data (the MP3 conformance streams, in
# mp3/). A folder named by CANTORA_TESTDATA_DIR (environment, then cache) is
# the only place looked at; otherwise the first that holds the data of
#   <source>/../shared/testdata
#   <origin>/../shared/testdata, when this clone came from a local repository
# and, for the source tree and its origin when either is a work tree added to
# another repository, the same folder beside that repository's main work tree.
# So a clone or work tree made anywhere on the machine still finds the data
# beside the repository it came from. Without the data its tests skip, which is right in
# a user's clone; under CI (the environment variable CI set) the configuration
# fails instead, so a moved folder cannot quietly drop those tests.
#
# Sets CANTORA_TESTDATA_PATH (the folder found, or the first looked at) and
# CANTORA_TESTDATA_LOOKED (every folder looked at, for the tests' messages).

set(CANTORA_TESTDATA_DIR "" CACHE PATH
    "Shared test data (holds mp3/); empty: look beside the source tree and beside its origin")

# Appends <repo>/../shared/testdata and, when repo is a work tree added to
# another repository, the same folder beside that repository's main work tree.
function(cantora_testdata_beside repo out)
  set(list ${${out}} "${repo}/../shared/testdata")
  if(GIT_FOUND)
    execute_process(
      COMMAND "${GIT_EXECUTABLE}" -C "${repo}" rev-parse --path-format=absolute --git-common-dir
      OUTPUT_VARIABLE common OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(common MATCHES "/\\.git$")
      get_filename_component(main "${common}" DIRECTORY)
      list(APPEND list "${main}/../shared/testdata")
    endif()
  endif()
  set(${out} ${list} PARENT_SCOPE)
endfunction()

function(cantora_find_testdata)
  set(candidates)
  set(cached "${CANTORA_TESTDATA_DIR}")
  # Build trees configured before discovery existed cache the sibling folder,
  # which discovery tries first anyway.
  if(cached STREQUAL "${PROJECT_SOURCE_DIR}/../shared/testdata")
    set(cached "")
  endif()
  if(NOT "$ENV{CANTORA_TESTDATA_DIR}" STREQUAL "")
    list(APPEND candidates "$ENV{CANTORA_TESTDATA_DIR}")
  elseif(NOT cached STREQUAL "")
    list(APPEND candidates "${cached}")
  else()
    find_package(Git QUIET)
    cantora_testdata_beside("${PROJECT_SOURCE_DIR}" candidates)
    if(GIT_FOUND)
      execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${PROJECT_SOURCE_DIR}" config remote.origin.url
                      OUTPUT_VARIABLE origin OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      string(REGEX REPLACE "^file://" "" origin "${origin}")
      # A local path, not a URL or a host:path address.
      if(NOT origin STREQUAL "" AND NOT origin MATCHES "://" AND NOT origin MATCHES "^[^/]*:")
        get_filename_component(origin "${origin}" ABSOLUTE BASE_DIR "${PROJECT_SOURCE_DIR}")
        cantora_testdata_beside("${origin}" candidates)
      endif()
    endif()
  endif()

  set(looked)
  foreach(dir IN LISTS candidates)
    get_filename_component(dir "${dir}" ABSOLUTE)
    if(dir IN_LIST looked)
      continue()
    endif()
    list(APPEND looked "${dir}")
    if(EXISTS "${dir}/mp3/README.md")
      set(found "${dir}")
      break()
    endif()
  endforeach()
  string(JOIN ", " looked_text ${looked})
  set(CANTORA_TESTDATA_LOOKED "${looked_text}" PARENT_SCOPE)
  if(found)
    set(CANTORA_TESTDATA_PATH "${found}" PARENT_SCOPE)
    return()
  endif()
  list(GET looked 0 first)
  set(CANTORA_TESTDATA_PATH "${first}" PARENT_SCOPE)
  set(why "Shared test data (mp3/README.md) not found; looked in: ${looked_text}.")
  if(NOT "$ENV{CI}" STREQUAL "")
    message(FATAL_ERROR "${why} CI is set, so its tests may not be skipped: put the data in "
                        "one of those folders or set CANTORA_TESTDATA_DIR to the folder holding mp3/.")
  endif()
  message(NOTICE "${why} The MP3 conformance tests will be skipped.")
endfunction()
