# What a release needs from the build: one version number for every place that
# shows it, binaries that are the same bytes whoever builds them and wherever,
# executables without their debug sections (kept in a file of their own), and
# the installer.

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

  find_program(LUMORA_MAKENSIS makensis)
  if(NOT LUMORA_MAKENSIS)
    message(FATAL_ERROR "makensis not found: install Debian's nsis package (scripts/test and scripts/release do)")
  endif()
  # A command that signs the file it is given in place (scripts/sign); empty
  # for the unsigned builds of development and tests.
  set(LUMORA_SIGN "" CACHE STRING "Command that signs one file in place; empty: no signing")
endif()

# Takes the debug sections out of TARGET's file into NAME beside it, leaving a
# link to it (name and checksum) that gdb follows; then signs the file when a
# signing command is configured. Windows maps every section of a program into
# the memory of each process that runs it, debug sections too.
# --preserve-dates keeps the PE header's time as the linker left it (none);
# objcopy would otherwise write the current time there.
function(lumora_split_debug target name)
  set(file $<TARGET_FILE:${target}>)
  set(debug $<TARGET_FILE_DIR:${target}>/${name})
  set(sign)
  if(LUMORA_SIGN)
    set(sign COMMAND ${LUMORA_SIGN} ${file})
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --preserve-dates --only-keep-debug ${file} ${debug}
    COMMAND ${CMAKE_OBJCOPY} --preserve-dates --strip-debug --add-gnu-debuglink=${debug} ${file}
    ${sign}
    VERBATIM)
endfunction()

# The installer of TARGET's file: Lumora-<version>-setup-<arch>.exe in the
# build folder, signed with its uninstaller when LUMORA_SIGN is set.
function(lumora_installer target)
  set(output ${CMAKE_BINARY_DIR}/Lumora-${PROJECT_VERSION}-setup-${LUMORA_ARCH}.exe)
  set(script ${CMAKE_SOURCE_DIR}/installer/lumora.nsi)
  set(sign)
  if(LUMORA_SIGN)
    set(sign -DSIGN=${LUMORA_SIGN})
  endif()
  add_custom_command(OUTPUT ${output}
    COMMAND ${LUMORA_MAKENSIS} -V2 -WX -INPUTCHARSET UTF8 -DVERSION=${PROJECT_VERSION} -DARCH=${LUMORA_ARCH}
            -DSCR=$<TARGET_FILE:${target}> -DLICENSE_FILE=${CMAKE_SOURCE_DIR}/LICENSE
            -DICON=${CMAKE_SOURCE_DIR}/pictures/lumora.ico -DOUTFILE=${output} ${sign} ${script}
    DEPENDS ${target} ${script} ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/pictures/lumora.ico
    COMMENT "Making the installer ${output}"
    VERBATIM)
  add_custom_target(installer ALL DEPENDS ${output})

  # What the installer holds and what its script does on each kind of
  # Windows, read without running it: the 32-bit one cannot run here.
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME build.installer
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/installer/check_installer.py --arch ${LUMORA_ARCH}
            --installer ${output} --scr $<TARGET_FILE:${target}> --version ${PROJECT_VERSION})
  set_tests_properties(build.installer PROPERTIES LABELS build)
endfunction()

# scripts/release from end to end, twice in two folders and once signed: from
# the native build, which runs no Wine, alone since it builds with both cores.
if(NOT WIN32 AND NOT LUMORA_FUZZ AND NOT LUMORA_EDITION STREQUAL "x11")
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  # It makes the Debian package too; `installer/test_release.py --deb-only`
  # checks that one alone, quicker, by hand.
  add_test(NAME release.reproducible_and_signed
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/installer/test_release.py)
  set_tests_properties(release.reproducible_and_signed PROPERTIES
    LABELS release RUN_SERIAL TRUE TIMEOUT 1800 ENVIRONMENT CMAKE_BUILD_PARALLEL_LEVEL=2)
endif()
