# Checks that the areas of a source tree include one another only in the
# declared direction:
#   cmake -DGRAPH=areas.cmake -DSOURCE_ROOT=src -P CheckAreaIncludes.cmake
# GRAPH is the file transcast_area_check() writes: TRANSCAST_AREAS and, per
# area, its DEPENDS and its SOURCES (absolute paths).
#
# An include "X" names the file SOURCE_ROOT/X, or X beside the including
# file. When an area lists that file it must be the including file's own area
# or one of its DEPENDS. Every .h and .cpp under SOURCE_ROOT must be listed by
# exactly one area, so that no file escapes the check (or the build), and so
# must every one in the graph's TRANSCAST_AREA_FOLDERS (areas outside it). Every
# problem is printed; the exit status is non-zero when there is one.
cmake_minimum_required(VERSION 3.25)

if(NOT GRAPH OR NOT SOURCE_ROOT)
  message(FATAL_ERROR "usage: cmake -DGRAPH=areas.cmake -DSOURCE_ROOT=src -P ${CMAKE_CURRENT_LIST_FILE}")
endif()
include(${GRAPH})
get_filename_component(root ${SOURCE_ROOT} ABSOLUTE)

set(problems)
foreach(area IN LISTS TRANSCAST_AREAS)
  foreach(file IN LISTS TRANSCAST_AREA_${area}_SOURCES)
    set(owner_var "owner_${file}")
    if(DEFINED ${owner_var})
      file(RELATIVE_PATH shown ${root} ${file})
      list(APPEND problems "${shown} is listed by two areas: ${${owner_var}} and ${area}")
    endif()
    set(${owner_var} ${area})
  endforeach()
endforeach()

set(searched ${root}/*.h ${root}/*.cpp)
foreach(folder IN LISTS TRANSCAST_AREA_FOLDERS)
  list(APPEND searched ${folder}/*.h ${folder}/*.cpp)
endforeach()
file(GLOB_RECURSE present LIST_DIRECTORIES false ${searched})
foreach(file IN LISTS present)
  if(NOT DEFINED "owner_${file}")
    file(RELATIVE_PATH shown ${root} ${file})
    list(APPEND problems "${shown} is in no area's file list")
  endif()
endforeach()

foreach(area IN LISTS TRANSCAST_AREAS)
  set(allowed ${area} ${TRANSCAST_AREA_${area}_DEPENDS})
  foreach(file IN LISTS TRANSCAST_AREA_${area}_SOURCES)
    if(NOT EXISTS ${file})
      continue()
    endif()
    get_filename_component(folder ${file} DIRECTORY)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*$" "\\1" included "${line}")
      set(target_area)
      foreach(candidate IN ITEMS ${root}/${included} ${folder}/${included})
        get_filename_component(candidate ${candidate} ABSOLUTE)
        if(DEFINED "owner_${candidate}")
          set(target_area ${owner_${candidate}})
          break()
        endif()
      endforeach()
      if(target_area AND NOT target_area IN_LIST allowed)
        file(RELATIVE_PATH shown ${root} ${file})
        string(REPLACE ";" " " depends "${TRANSCAST_AREA_${area}_DEPENDS}")
        if(NOT depends)
          set(depends "nothing")
        endif()
        list(APPEND problems "${shown} includes \"${included}\" of the area ${target_area}, \
but ${area} depends only on: ${depends}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  list(LENGTH problems count)
  string(REPLACE ";" "\n  " shown "${problems}")
  message(FATAL_ERROR "${count} problem(s) with the areas of ${root}:\n  ${shown}\n"
                      "An area uses only the areas declared below it (transcast_area's DEPENDS), "
                      "and every file belongs to one area.")
endif()
