# Writes the demonstration's exchange folder, runs the inspector on it with
# --json and compares its report with the one the native build gave
# (demo_folder.json): the native and the Windows inspector must agree.
#   cmake -DWRITER=... -DINSPECT=... -DEMULATOR=... -DWORK=... -DEXPECTED=... -P compare_demo_json.cmake
file(REMOVE_RECURSE ${WORK}/demo_exchange)
file(MAKE_DIRECTORY ${WORK}/demo_exchange)
execute_process(COMMAND ${EMULATOR} ${WRITER} demo_exchange
  WORKING_DIRECTORY ${WORK} RESULT_VARIABLE written)
if(NOT written EQUAL 0)
  message(FATAL_ERROR "demo_folder_writer failed: ${written}")
endif()
execute_process(COMMAND ${EMULATOR} ${INSPECT} --json demo_exchange
  WORKING_DIRECTORY ${WORK} OUTPUT_FILE ${WORK}/demo_folder.json RESULT_VARIABLE inspected)
# The demonstration's edit renames no project and breaks nothing: warnings at most.
if(NOT inspected EQUAL 0)
  message(FATAL_ERROR "tarnwick_inspect exited with ${inspected}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files --ignore-eol ${WORK}/demo_folder.json ${EXPECTED}
  RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "the report ${WORK}/demo_folder.json differs from ${EXPECTED}")
endif()
