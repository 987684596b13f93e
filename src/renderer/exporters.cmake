# The exporters: materials, lights, and the camera and view sync.
target_sources(tarnwick_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/material_export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/light_export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/camera_sync.cpp ${CMAKE_CURRENT_LIST_DIR}/view_cache.cpp
)
if(TARNWICK_TESTS AND NOT WIN32)
  target_sources(tarnwick_tests PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/material_export_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/light_export_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/camera_sync_test.cpp
  )
endif()
