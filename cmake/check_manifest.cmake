# Fails unless BINARY carries the program's manifest: run with the user's own
# rights, on Windows 7 to 11, and no DPI declaration.
cmake_minimum_required(VERSION 3.25)
# cmake -DWINDRES=<windres> -DBINARY=<file> -P check_manifest.cmake
execute_process(COMMAND ${WINDRES} -i ${BINARY} -O rc OUTPUT_VARIABLE resources RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "windres could not read the resources of ${BINARY}")
endif()
# The manifest must be resource 1 of type 24, the one Windows reads at process start.
string(FIND "${resources}" "\n1 24 /* RT_MANIFEST */" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${BINARY} has no manifest as resource 1 of type RT_MANIFEST")
endif()
file(STRINGS ${BINARY} manifest REGEX "requestedExecutionLevel|supportedOS|dpiAware")
string(JOIN "\n" manifest ${manifest})
message(STATUS "${manifest}")
if(NOT manifest MATCHES "requestedExecutionLevel level=\"asInvoker\"")
  message(FATAL_ERROR "${BINARY} does not ask to run as the invoking user")
endif()
foreach(os 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38
           1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a)
  if(NOT manifest MATCHES "${os}")
    message(FATAL_ERROR "${BINARY} does not name the Windows version ${os}")
  endif()
endforeach()
