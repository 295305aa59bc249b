# Fails unless every DLL that BINARY imports is one that Windows itself ships.
cmake_minimum_required(VERSION 3.25)
# cmake -DOBJDUMP=<objdump> -DBINARY=<file> -P check_imports.cmake
set(shipped
  kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll comdlg32.dll winmm.dll
  ole32.dll oleaut32.dll windowscodecs.dll msvcrt.dll comctl32.dll shlwapi.dll)

execute_process(COMMAND ${OBJDUMP} -p ${BINARY} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${BINARY}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
if(NOT lines)
  message(FATAL_ERROR "no import table found in ${BINARY}")
endif()
set(bad "")
foreach(line IN LISTS lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" lower)
  message(STATUS "imports ${dll}")
  if(NOT lower IN_LIST shipped)
    list(APPEND bad ${dll})
  endif()
endforeach()
if(bad)
  message(FATAL_ERROR "imports DLLs that Windows does not ship: ${bad}")
endif()
