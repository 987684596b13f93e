# The inspector answers --help, -h and --version on standard output with exit code 0,
# and a wrong command line with the short usage and exit code 2.
#   cmake -DINSPECT=... -DEMULATOR=... -DVERSION=... -P check_inspect_cli.cmake
function(run expected_code expected_text)
  execute_process(COMMAND ${EMULATOR} ${INSPECT} ${ARGN} RESULT_VARIABLE code
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL expected_code)
    message(FATAL_ERROR "tarnwick_inspect ${ARGN}: exit code ${code}, not ${expected_code}\n${out}${err}")
  endif()
  string(FIND "${out}${err}" "${expected_text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "tarnwick_inspect ${ARGN}: no \"${expected_text}\" in\n${out}${err}")
  endif()
endfunction()

run(0 "\nExit codes:\n" --help)
run(0 "\nExample:\n" -h)
run(0 "tarnwick_inspect ${VERSION}\n" --version)
run(2 "unknown option --bogus" --bogus)
