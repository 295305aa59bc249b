# Every portable header compiled after a desktop's own headers: no macro of
# theirs (Xlib's None, Status or Bool; windows.h's) may change what the core
# says, whatever order an edition includes them in. Built with the edition.
function(lumora_portable_headers_after name)
  file(GLOB headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/startup/*.h ${PROJECT_SOURCE_DIR}/settings/*.h ${PROJECT_SOURCE_DIR}/display/*.h
       ${PROJECT_SOURCE_DIR}/music/*.h ${PROJECT_SOURCE_DIR}/dialog/*.h ${PROJECT_SOURCE_DIR}/text/*.h
       ${PROJECT_SOURCE_DIR}/platform/*.h)
  set(text "// Made by cmake/portable_headers.cmake.\n")
  foreach(header ${ARGN})
    string(APPEND text "#include <${header}>\n")
  endforeach()
  foreach(header ${headers})
    string(APPEND text "#include \"${header}\"\n")
  endforeach()
  file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp CONTENT "${text}")
  add_library(${name} OBJECT ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp)
  target_include_directories(${name} PRIVATE $<TARGET_PROPERTY:lumora_core,INTERFACE_INCLUDE_DIRECTORIES>)
  lumora_warnings(${name})
endfunction()
