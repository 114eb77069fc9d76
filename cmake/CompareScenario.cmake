# Runs one scenario with two programs and fails unless both hold every expectation and print the
# same transcript (line ends and the closing "log written to" line aside).
#   cmake -DRUN=<launcher or empty> -DFIRST=<program;args> -DSECOND=<program;args>
#         [-DSCENARIO=<file>] -DOUT=<folder> -P CompareScenario.cmake
# Without SCENARIO both run their built-in demo.
foreach(v FIRST SECOND OUT)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "CompareScenario: ${v} is required")
  endif()
endforeach()
if(NOT DEFINED RUN)
  set(RUN "$ENV{BRISKO_RUN}")  # the launcher the test environment names (Wine on the Windows target)
endif()
file(MAKE_DIRECTORY "${OUT}")

function(_run_one label command result_var)
  set(args)
  if(SCENARIO)
    list(APPEND command -)
    set(args INPUT_FILE "${SCENARIO}")
  endif()
  execute_process(COMMAND ${RUN} ${command} ${args}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  string(REPLACE "\r\n" "\n" out "${out}")
  string(REGEX REPLACE "[^\n]*: log written to [^\n]*\n" "" out "${out}")
  file(WRITE "${OUT}/${label}.txt" "${out}")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${label} (${command}) ended with ${rc}:\n${out}\n${err}")
  endif()
  set(${result_var} "${out}" PARENT_SCOPE)
endfunction()

_run_one(first "${FIRST}" first)
_run_one(second "${SECOND}" second)
if(NOT first STREQUAL second)
  execute_process(COMMAND diff -u "${OUT}/first.txt" "${OUT}/second.txt" OUTPUT_VARIABLE diff)
  message(FATAL_ERROR "the transcripts differ (${OUT}):\n${diff}")
endif()
string(REGEX MATCH "-- [^\n]*expectations held" summary "${first}")
message(STATUS "same transcript: ${summary}")
