# The renderer session and error reporter, and the link to the renderer's
# client library D5Api.dll.
target_sources(tarnwick_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/renderer_session.cpp)
if(TARNWICK_TESTS AND NOT WIN32)
  target_sources(tarnwick_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/renderer_session_test.cpp)
endif()
