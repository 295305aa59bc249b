# What a release needs from the build: one version number for every place that
# shows it, binaries that are the same bytes whoever builds them and wherever,
# executables without their debug sections (kept in a file of their own).

# The version, from project(): the resource script, the dialog's by-line and
# the installer take it from here.
set(LUMORA_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${LUMORA_GENERATED_DIR}/lumora_version.h @ONLY)

# Build folders must not reach the binaries: two checkouts in different places
# give the same bytes. The build folder is mapped last, since it may lie inside
# the source folder and GCC takes the last mapping that fits.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)

if(WIN32)
  # No link time in the PE header; a build id (a hash of the contents) instead,
  # so that a crash report names the debug file that belongs to it.
  add_link_options(-Wl,--no-insert-timestamp -Wl,--build-id)

  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(LUMORA_ARCH x64)
  else()
    set(LUMORA_ARCH x86)
  endif()

  set(LUMORA_SIGN "" CACHE STRING "Command that signs one file in place; empty: no signing")
endif()

# Takes the debug sections out of TARGET's file into NAME beside it, leaving a
# link to it (name and checksum) that gdb follows. Windows maps every section of a program into
# the memory of each process that runs it, debug sections too.
# --preserve-dates keeps the PE header's time as the linker left it (none);
# objcopy would otherwise write the current time there.
function(lumora_split_debug target name)
  set(file $<TARGET_FILE:${target}>)
  set(debug $<TARGET_FILE_DIR:${target}>/${name})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --preserve-dates --only-keep-debug ${file} ${debug}
    COMMAND ${CMAKE_OBJCOPY} --preserve-dates --strip-debug --add-gnu-debuglink=${debug} ${file}
    VERBATIM)
endfunction()
