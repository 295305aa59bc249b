# Wayland protocols: the client's code made from a protocol's XML by
# wayland-scanner at build time, into a folder the target includes.
find_package(PkgConfig REQUIRED)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
if(NOT WAYLAND_SCANNER OR NOT WAYLAND_PROTOCOLS_DIR)
  message(FATAL_ERROR "wayland-scanner and wayland-protocols are needed (Debian: libwayland-bin, wayland-protocols)")
endif()

# lumora_wayland_protocol(TARGET XML...): each XML's client header
# (NAME-client-protocol.h) and glue code, compiled into TARGET.
function(lumora_wayland_protocol target)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/wayland-protocols)
  file(MAKE_DIRECTORY ${folder})
  foreach(xml ${ARGN})
    get_filename_component(name ${xml} NAME_WE)
    add_custom_command(
      OUTPUT ${folder}/${name}-client-protocol.h ${folder}/${name}-protocol.c
      COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${folder}/${name}-client-protocol.h
      COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${folder}/${name}-protocol.c
      DEPENDS ${xml} VERBATIM)
    target_sources(${target} PRIVATE ${folder}/${name}-client-protocol.h ${folder}/${name}-protocol.c)
  endforeach()
  target_include_directories(${target} PRIVATE ${folder})
endfunction()
