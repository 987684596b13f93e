# The container files: the stream that reads them, their reader and the document.
target_sources(tarnwick_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/container_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exchange_document.cpp
)
