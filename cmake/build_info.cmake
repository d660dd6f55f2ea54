# Writes the header that platform/build_info.cpp compiles in: the project's
# version and the git commit of the source tree, "-dirty" when tracked files
# differ from it, "unknown" outside git (a source archive). Run as a build
# step (cmake -P) at every build, so the commit is the one being built, not
# the one configured; the header is rewritten only when its text changes, so
# an unchanged tree recompiles nothing.
#   SOURCE_DIR  the source tree
#   OUTPUT      the header to write
#   VERSION     the project's version, X.Y.Z
cmake_minimum_required(VERSION 3.25)
foreach(variable SOURCE_DIR OUTPUT VERSION)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "build_info.cmake: ${variable} is not set")
  endif()
endforeach()

set(commit unknown)
find_program(GIT_PROGRAM git)
if(GIT_PROGRAM)
  # Only a repository whose top is this source tree: a source archive
  # unpacked inside some other repository does not take that one's commit.
  execute_process(COMMAND ${GIT_PROGRAM} -C ${SOURCE_DIR} rev-parse --show-toplevel HEAD
    OUTPUT_VARIABLE lines RESULT_VARIABLE status ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(status EQUAL 0)
    string(REPLACE "\n" ";" lines "${lines}")
    list(GET lines 0 top)
    list(GET lines 1 head)
    file(REAL_PATH ${top} top)
    file(REAL_PATH ${SOURCE_DIR} source)
    if(top STREQUAL source AND head MATCHES "^[0-9a-f]+$")
      set(commit ${head})
      # status refreshes the index first, so a file merely touched is not a change.
      execute_process(COMMAND ${GIT_PROGRAM} -C ${SOURCE_DIR} status --porcelain
          --untracked-files=no
        OUTPUT_VARIABLE changes RESULT_VARIABLE status ERROR_QUIET)
      if(NOT status EQUAL 0)
        set(commit unknown)
      elseif(NOT changes STREQUAL "")
        string(APPEND commit -dirty)
      endif()
    endif()
  endif()
endif()

set(text "// Written by cmake/build_info.cmake at build time; do not edit.
#define SATPHASE_VERSION \"${VERSION}\"
#define SATPHASE_COMMIT \"${commit}\"
")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT} "${text}")
endif()
