# docs/ARCHITECTURE.md names every folder of src/ (as `src/<folder>/`), and every
# `src/...` path it names is there.
cmake_minimum_required(VERSION 3.25)
file(READ ${SOURCE_DIR}/docs/ARCHITECTURE.md doc)

file(GLOB_RECURSE folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}/src ${SOURCE_DIR}/src/*)
foreach(folder ${folders})
  if(IS_DIRECTORY ${SOURCE_DIR}/src/${folder})
    string(FIND "${doc}" "`src/${folder}/`" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "docs/ARCHITECTURE.md does not name src/${folder}/")
    endif()
  endif()
endforeach()

string(REGEX MATCHALL "`src/[^`<> ]*`" named "${doc}")
foreach(path ${named})
  string(REPLACE "`" "" path "${path}")
  if(NOT EXISTS ${SOURCE_DIR}/${path})
    message(FATAL_ERROR "docs/ARCHITECTURE.md names ${path}, which is not there")
  endif()
endforeach()
