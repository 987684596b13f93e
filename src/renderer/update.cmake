# The incremental model update.
target_sources(tarnwick_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/incremental_update.cpp)
if(TARNWICK_TESTS AND NOT WIN32)
  target_sources(tarnwick_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/incremental_update_test.cpp)
endif()
