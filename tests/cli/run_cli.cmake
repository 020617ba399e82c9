# Runs the quilter binary on one macro script (as standard input) in a fresh
# working directory and compares everything it prints with the .out file.
# Leading comment lines may set the expected exit status ("# status N") and
# command-line arguments ("# args word ...", split at blanks; the script is
# still standard input).
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB extra "${dir}/${name}.d/*")
foreach(f ${extra})
  file(COPY ${f} DESTINATION ${WORK})
endforeach()
set(ENV{KEMRALIB} "${SOURCE_DIR}/share")
unset(ENV{KEMRAINIT})
set(ENV{QUILTER_EXAMPLES} "${SOURCE_DIR}/examples")
file(STRINGS ${SCRIPT} head LIMIT_COUNT 5)
set(want 0)
set(args "")
foreach(l ${head})
  if(l MATCHES "^# status ([0-9]+)")
    set(want ${CMAKE_MATCH_1})
  elseif(l MATCHES "^# args (.*)$")
    separate_arguments(args UNIX_COMMAND "${CMAKE_MATCH_1}")
  endif()
endforeach()
execute_process(COMMAND ${QUILTER} ${args}
  INPUT_FILE ${SCRIPT}
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc
  TIMEOUT 300)
set(actual "${out}${err}")
# The optimiser prints the wall-clock time of its start and of its progress.
string(REGEX REPLACE "Time:\\(hms\\) +[0-9]+ +[0-9]+ +[0-9]+" "Time:(hms) hh mm ss" actual "${actual}")
# Progress lines of a long phase ("    0:05 ...") come every few seconds, so a
# slower build (the sanitizers) prints more of them: they are left out.
string(REGEX REPLACE "(^|\n)    [0-9]+:[0-9][0-9] [^\n]*" "" actual "${actual}")
file(WRITE ${WORK}/actual.out "${actual}")
file(READ ${dir}/${name}.out expected)
if(NOT actual STREQUAL expected)
  execute_process(COMMAND diff -u ${dir}/${name}.out ${WORK}/actual.out)
  message(FATAL_ERROR "output of ${name} differs from ${name}.out (actual in ${WORK}/actual.out)")
endif()
if(NOT rc EQUAL want)
  message(FATAL_ERROR "${name}: exit status ${rc}, expected ${want}")
endif()
