# The areas' direction as a developer meets it: a small tree of two areas
# built with cmake/TranscastAreas.cmake, where an include against the
# direction fails the build, an unlisted file fails the check, and an area
# cannot be made to depend on one declared after it (no cycle can be written).
#   cmake -DSOURCE_DIR=<repository> -DWORK=<scratch folder> -P areas_test.cmake
cmake_minimum_required(VERSION 3.25)

set(failures "")
macro(fail text)
  string(APPEND failures "${text}\n")
endmacro()
# The step succeeded.
macro(expect_success what)
  if(NOT result EQUAL 0)
    fail("${what} fails:\n${output}")
  endif()
endmacro()
# The step failed, and its output says `needle`.
macro(expect_refusal what needle)
  string(FIND "${output}" "${needle}" at)
  if(result EQUAL 0)
    fail("${what} passes")
  elseif(at EQUAL -1)
    fail("${what} is refused without saying \"${needle}\":\n${output}")
  endif()
endmacro()

# A project with the areas low and high (high uses low), in `folder`; `extra`
# is added to its CMakeLists.txt after the areas.
function(write_project folder extra)
  file(REMOVE_RECURSE ${folder})
  file(WRITE ${folder}/src/low/low.h "#pragma once\nint low();\n")
  file(WRITE ${folder}/src/low/low.cpp "#include \"low/low.h\"\n\nint low() { return 1; }\n")
  file(WRITE ${folder}/src/high/high.h "#pragma once\n\n#include \"low/low.h\"\n\nint high();\n")
  file(WRITE ${folder}/src/high/high.cpp
       "#include \"high/high.h\"\n#include \"low/low.h\"\n\nint high() { return low() + 1; }\n")
  file(WRITE ${folder}/src/CMakeLists.txt "
transcast_area(low SOURCES low/low.cpp low/low.h)
transcast_area(high SOURCES high/high.cpp high/high.h DEPENDS low)
${extra}
transcast_area_check(\${CMAKE_CURRENT_SOURCE_DIR} \${CMAKE_BINARY_DIR}/areas.cmake)
")
  file(WRITE ${folder}/CMakeLists.txt "
cmake_minimum_required(VERSION 3.25)
project(areas CXX)
list(APPEND CMAKE_MODULE_PATH ${SOURCE_DIR}/cmake)
include(TranscastAreas)
add_subdirectory(src)
")
endfunction()

function(run_step out_result out_output)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  set(${out_result} ${result} PARENT_SCOPE)
  set(${out_output} "${output}" PARENT_SCOPE)
endfunction()

# Both directions right: configures and builds, the check included.
set(tree ${WORK}/tree)
write_project(${tree} "")
run_step(result output ${CMAKE_COMMAND} -S ${tree} -B ${tree}/build)
expect_success("configuring the sound tree")
run_step(result output ${CMAKE_COMMAND} --build ${tree}/build)
expect_success("building the sound tree")

# The lower area includes the higher one: the build fails and says where.
file(WRITE ${tree}/src/low/low.cpp
     "#include \"low/low.h\"\n#include \"high/high.h\"\n\nint low() { return 1; }\n")
run_step(result output ${CMAKE_COMMAND} --build ${tree}/build)
expect_refusal("a build with a back edge" "low/low.cpp includes \"high/high.h\" of the area high, \
but low depends only on: nothing")

# A file that no area lists escapes no check.
file(WRITE ${tree}/src/low/low.cpp "#include \"low/low.h\"\n\nint low() { return 1; }\n")
file(WRITE ${tree}/src/high/stray.h "#pragma once\n")
run_step(result output ${CMAKE_COMMAND} -DGRAPH=${tree}/build/areas.cmake
         -DSOURCE_ROOT=${tree}/src -P ${SOURCE_DIR}/cmake/CheckAreaIncludes.cmake)
expect_refusal("a check with an unlisted file" "high/stray.h is in no area's file list")
string(FIND "${output}" "low/low.cpp" at)
if(NOT at EQUAL -1)
  fail("a sound include is reported:\n${output}")
endif()

# An area outside src/ whose targets are made by hand (as register.dat's)
# is held to the same rules: its includes, and every file of its folder.
set(outside ${WORK}/outside)
write_project(${outside} "transcast_area_files(tool FOLDER ${outside}/tool SOURCES tool.cpp DEPENDS low)")
file(WRITE ${outside}/tool/tool.cpp "#include \"low/low.h\"\n#include \"high/high.h\"\n")
file(WRITE ${outside}/tool/stray.cpp "")
run_step(result output ${CMAKE_COMMAND} -S ${outside} -B ${outside}/build)
expect_success("configuring a tree with an area outside src/")
run_step(result output ${CMAKE_COMMAND} --build ${outside}/build)
expect_refusal("an outside area's include against the direction"
               "tool/tool.cpp includes \"high/high.h\" of the area high, but tool depends only on: low")
expect_refusal("an outside area's unlisted file" "tool/stray.cpp is in no area's file list")

# low made to use high, declared after it: refused when configuring.
set(cycle ${WORK}/cycle)
write_project(${cycle} "")
file(READ ${cycle}/src/CMakeLists.txt lists)
string(REPLACE "transcast_area(low SOURCES low/low.cpp low/low.h)"
       "transcast_area(low SOURCES low/low.cpp low/low.h DEPENDS high)" lists "${lists}")
file(WRITE ${cycle}/src/CMakeLists.txt "${lists}")
run_step(result output ${CMAKE_COMMAND} -S ${cycle} -B ${cycle}/build)
expect_refusal("configuring an area that depends on a later one"
               "The area low may not depend on high: high is not declared before it")

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
