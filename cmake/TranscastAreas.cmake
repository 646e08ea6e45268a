# The areas of src/: each is one target with an explicit file list, and uses
# only the areas it names in DEPENDS. An area can name only areas declared
# before it, so the order of the declarations is the direction and no cycle
# can be written (CMake itself accepts cycles between static libraries).
#
#   transcast_area(NAME [TARGET target] [EXECUTABLE]
#                  SOURCES files... [DEPENDS areas...]
#                  [LINK libraries...] [PRIVATE_LINK libraries...])
#
# The target is transcast_NAME unless TARGET names it; SOURCES are relative to
# the current source folder. transcast_area_check() then makes the build check
# every include of every listed file against the declared direction (see
# CheckAreaIncludes.cmake).

function(transcast_area name)
  cmake_parse_arguments(ARG "EXECUTABLE" "TARGET" "SOURCES;DEPENDS;LINK;PRIVATE_LINK" ${ARGN})
  get_property(declared GLOBAL PROPERTY TRANSCAST_AREAS)
  if(name IN_LIST declared)
    message(FATAL_ERROR "The area ${name} is declared twice.")
  endif()
  set(dependency_targets)
  foreach(dependency IN LISTS ARG_DEPENDS)
    if(NOT dependency IN_LIST declared)
      message(FATAL_ERROR "The area ${name} may not depend on ${dependency}: ${dependency} is not "
                          "declared before it, and areas depend only on the ones below them.")
    endif()
    get_property(dependency_target GLOBAL PROPERTY TRANSCAST_AREA_${dependency}_TARGET)
    list(APPEND dependency_targets ${dependency_target})
  endforeach()

  set(target transcast_${name})
  if(ARG_TARGET)
    set(target ${ARG_TARGET})
  endif()
  list(TRANSFORM ARG_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  if(ARG_EXECUTABLE)
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${dependency_targets} ${ARG_LINK} ${ARG_PRIVATE_LINK})
  else()
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${dependency_targets} ${ARG_LINK}
                                    PRIVATE ${ARG_PRIVATE_LINK})
  endif()

  set_property(GLOBAL APPEND PROPERTY TRANSCAST_AREAS ${name})
  set_property(GLOBAL PROPERTY TRANSCAST_AREA_${name}_TARGET ${target})
  set_property(GLOBAL PROPERTY TRANSCAST_AREA_${name}_DEPENDS ${ARG_DEPENDS})
  set_property(GLOBAL PROPERTY TRANSCAST_AREA_${name}_SOURCES ${ARG_SOURCES})
endfunction()

# An area outside src/ whose targets its folder makes itself (register.dat's
# core, built with options of its own): only its files and DEPENDS are
# recorded, so that the check covers its includes, and every .h and .cpp of
# FOLDER must be listed, as under src/.
#
#   transcast_area_files(NAME FOLDER folder SOURCES files... [DEPENDS areas...])
function(transcast_area_files name)
  cmake_parse_arguments(ARG "" "FOLDER" "SOURCES;DEPENDS" ${ARGN})
  get_property(declared GLOBAL PROPERTY TRANSCAST_AREAS)
  foreach(dependency IN LISTS ARG_DEPENDS)
    if(NOT dependency IN_LIST declared)
      message(FATAL_ERROR "The area ${name} may not depend on ${dependency}: ${dependency} is not "
                          "declared before it, and areas depend only on the ones below them.")
    endif()
  endforeach()
  if(name IN_LIST declared)
    message(FATAL_ERROR "The area ${name} is declared twice.")
  endif()
  list(TRANSFORM ARG_SOURCES PREPEND ${ARG_FOLDER}/)
  set_property(GLOBAL APPEND PROPERTY TRANSCAST_AREAS ${name})
  set_property(GLOBAL APPEND PROPERTY TRANSCAST_AREA_FOLDERS ${ARG_FOLDER})
  set_property(GLOBAL PROPERTY TRANSCAST_AREA_${name}_DEPENDS ${ARG_DEPENDS})
  set_property(GLOBAL PROPERTY TRANSCAST_AREA_${name}_SOURCES ${ARG_SOURCES})
endfunction()

# Writes the declared graph to `graph_file` and checks the includes of every
# area's files against it whenever one of them changes: an include of an
# area not named in DEPENDS, or a file under `source_root` that no area
# lists, fails the build.
function(transcast_area_check source_root graph_file)
  get_property(areas GLOBAL PROPERTY TRANSCAST_AREAS)
  get_property(folders GLOBAL PROPERTY TRANSCAST_AREA_FOLDERS)
  set(content "set(TRANSCAST_AREAS ${areas})\nset(TRANSCAST_AREA_FOLDERS ${folders})\n")
  set(all_sources)
  foreach(area IN LISTS areas)
    get_property(depends GLOBAL PROPERTY TRANSCAST_AREA_${area}_DEPENDS)
    get_property(sources GLOBAL PROPERTY TRANSCAST_AREA_${area}_SOURCES)
    string(APPEND content "set(TRANSCAST_AREA_${area}_DEPENDS ${depends})\n"
                          "set(TRANSCAST_AREA_${area}_SOURCES ${sources})\n")
    list(APPEND all_sources ${sources})
  endforeach()
  file(CONFIGURE OUTPUT ${graph_file} CONTENT "${content}" @ONLY)

  set(checker ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/CheckAreaIncludes.cmake)
  set(stamp ${graph_file}.checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DGRAPH=${graph_file} -DSOURCE_ROOT=${source_root}
            -P ${checker}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${graph_file} ${all_sources} ${checker}
    COMMENT "Checking that the areas of src/ include in one direction"
    VERBATIM)
  add_custom_target(transcast_area_check ALL DEPENDS ${stamp})
endfunction()
