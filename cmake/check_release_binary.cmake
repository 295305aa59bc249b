# Fails unless BINARY is fit to ship: the version set in project() in its
# version resource, no debug sections but a link to
# DEBUG_FILE that holds them, no link time, and no build folder named inside
# either file (they would make two builds differ).
cmake_minimum_required(VERSION 3.25)
# cmake -DWINDRES=<windres> -DOBJDUMP=<objdump> -DBINARY=<file> -DVERSION=<x.y.z>
#       -DDEBUG_FILE=<file> -DSOURCE_DIR=<dir> -DBUILD_DIR=<dir> -P check_release_binary.cmake
set(failures "")

execute_process(COMMAND ${WINDRES} -i ${BINARY} -O rc OUTPUT_VARIABLE resources RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "windres could not read the resources of ${BINARY}")
endif()
string(REPLACE "." ", " numbers "${VERSION}")
foreach(expected "FILEVERSION ${numbers}, 0" "PRODUCTVERSION ${numbers}, 0"
                 "VALUE \"FileVersion\", \"${VERSION}\"" "VALUE \"ProductVersion\", \"${VERSION}\"")
  string(FIND "${resources}" "${expected}" at)
  if(at EQUAL -1)
    list(APPEND failures "the version resource lacks '${expected}'")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -h -p ${BINARY} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${BINARY}")
endif()
if(headers MATCHES "\\.debug_[a-z_]+")
  list(APPEND failures "${BINARY} still holds the section ${CMAKE_MATCH_0}")
endif()
if(NOT headers MATCHES "\\.gnu_debuglink")
  list(APPEND failures "${BINARY} has no .gnu_debuglink to its debug file")
endif()
if(NOT headers MATCHES "Time/Date[ \t]+Thu Jan  1 00:00:00 1970")
  string(REGEX MATCH "Time/Date[^\n]*" stamp "${headers}")
  list(APPEND failures "${BINARY} carries a link time: ${stamp}")
endif()

get_filename_component(debug_name ${DEBUG_FILE} NAME)
file(STRINGS ${BINARY} link REGEX "^${debug_name}$")
if(NOT link)
  list(APPEND failures "the debug link does not name ${debug_name}")
endif()
execute_process(COMMAND ${OBJDUMP} -h ${DEBUG_FILE} OUTPUT_VARIABLE debug_headers RESULT_VARIABLE failed)
if(failed OR NOT debug_headers MATCHES "\\.debug_info" OR NOT debug_headers MATCHES "\\.debug_line")
  list(APPEND failures "${DEBUG_FILE} does not hold the debug information")
endif()

foreach(file ${BINARY} ${DEBUG_FILE})
  foreach(dir ${SOURCE_DIR} ${BUILD_DIR})
    string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" pattern "${dir}")
    file(STRINGS ${file} leaks REGEX "${pattern}" LIMIT_COUNT 1)
    if(leaks)
      list(APPEND failures "${file} names the folder ${dir}: ${leaks}")
    endif()
  endforeach()
endforeach()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "not fit to ship:\n  ${text}")
endif()
message(STATUS "version ${VERSION}, no debug sections, debug file ${debug_name}, no link time, no build folders")
