# The host's keyed text records: cameras and views, lights, materials.
target_sources(tarnwick_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/keyed_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/camera_records.cpp
  ${CMAKE_CURRENT_LIST_DIR}/light_records.cpp
  ${CMAKE_CURRENT_LIST_DIR}/material_records.cpp
)
if(TARNWICK_TESTS AND NOT WIN32)
  target_sources(tarnwick_tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/keyed_record_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/camera_records_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/light_records_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/material_records_test.cpp
  )
endif()
