# The container files: the stream that reads them, their reader, the document,
# and the geometry streaming that the reader drives.
target_sources(tarnwick_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/container_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/container_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exchange_document.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../renderer/geometry_stream.cpp
)
if(TARNWICK_TESTS AND NOT WIN32)
  target_sources(tarnwick_tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/container_stream_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/container_reader_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/container_header_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../renderer/geometry_stream_test.cpp
  )
  target_link_libraries(tarnwick_tests PRIVATE container_writer)
endif()
