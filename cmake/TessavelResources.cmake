# Pictures of the resources are text (see toolkit/resgen/pixmap.h); these
# turn them into the .bmp and .ico files that a resource script names.
#
#   tessavel_pixmap_bmp(OUT.bmp IN.pixmap)
#   tessavel_pixmap_ico(OUT.ico IN.pixmap...)
#
# Relative names: inputs from the current source folder, outputs in the
# current binary folder.  A resource script that uses an output lists it
# in OBJECT_DEPENDS (tessavel_resource_script does that).
#
#   tessavel_resource_script(TARGET SCRIPT.rc DEPENDS OUT...)
# compiles SCRIPT.rc into an object library TARGET whose objects every
# target linking CONSUMER gets: resources in a static library would
# otherwise be dropped by the linker, since no code refers to them.

set(_TESSAVEL_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "")

function(_tessavel_pixmap kind out)
  # The generator runs where it was built: through the emulator (Wine) when
  # cross-compiling, with its output in a log so that a Wine server it
  # starts keeps no pipe of the build tool open.
  set(run "")
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    if(DEFINED ENV{WINEPREFIX})
      set(prefix $ENV{WINEPREFIX})
    else()
      set(prefix ${PROJECT_SOURCE_DIR}/build/wine)
    endif()
    set(run ${CMAKE_COMMAND} -E env WINEPREFIX=${prefix} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
      sh ${_TESSAVEL_RESOURCES_DIR}/run-quietly.sh ${CMAKE_CROSSCOMPILING_EMULATOR})
  endif()
  cmake_path(ABSOLUTE_PATH out BASE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set(inputs "")
  foreach(in ${ARGN})
    cmake_path(ABSOLUTE_PATH in BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND inputs ${in})
  endforeach()
  add_custom_command(OUTPUT ${out}
    COMMAND ${run} $<TARGET_FILE:tessavel-resgen> ${kind} ${out} ${inputs}
    DEPENDS tessavel-resgen ${inputs}
    COMMENT "Drawing ${out}"
    VERBATIM)
endfunction()

function(tessavel_pixmap_bmp out in)
  _tessavel_pixmap(bmp ${out} ${in})
endfunction()

function(tessavel_pixmap_ico out)
  _tessavel_pixmap(ico ${out} ${ARGN})
endfunction()

function(tessavel_resource_script target script)
  cmake_parse_arguments(R "" "CONSUMER" "DEPENDS" ${ARGN})
  set(deps "")
  foreach(d ${R_DEPENDS})
    cmake_path(ABSOLUTE_PATH d BASE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    list(APPEND deps ${d})
  endforeach()
  add_library(${target} OBJECT ${script})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set_source_files_properties(${script} PROPERTIES OBJECT_DEPENDS "${deps}")
  if(R_CONSUMER)
    target_sources(${R_CONSUMER} INTERFACE $<TARGET_OBJECTS:${target}>)
    add_dependencies(${R_CONSUMER} ${target})
  endif()
endfunction()
