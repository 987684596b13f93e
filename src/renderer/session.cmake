# The renderer session and error reporter, and the link to the renderer's
# client library D5Api.dll.
target_sources(tarnwick_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/renderer_session.cpp)
if(TARNWICK_TESTS AND NOT WIN32)
  target_sources(tarnwick_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/renderer_session_test.cpp)
endif()

if(WIN32)
  # The import library is made from our own list of the library's functions,
  # so that the programs import every D5API_* function by name from D5Api.dll.
  set(D5API_DEF ${CMAKE_CURRENT_LIST_DIR}/d5api.def)
  set(D5API_IMPORT_LIB ${CMAKE_CURRENT_BINARY_DIR}/libD5Api.a)
  add_custom_command(
    OUTPUT ${D5API_IMPORT_LIB}
    # Named relative to its folder: dlltool derives symbol names from the path,
    # and the build folder must not reach the programs.
    COMMAND ${CMAKE_DLLTOOL} -d ${D5API_DEF} -D D5Api.dll -l libD5Api.a
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DEPENDS ${D5API_DEF}
    COMMENT "Import library for D5Api.dll"
    VERBATIM)
  add_custom_target(d5api_import_lib DEPENDS ${D5API_IMPORT_LIB})
  add_library(d5api_import STATIC IMPORTED GLOBAL)
  set_target_properties(d5api_import PROPERTIES IMPORTED_LOCATION ${D5API_IMPORT_LIB})
  add_dependencies(d5api_import d5api_import_lib)
  # Only the objects that call the renderer pull in the import.
  target_link_libraries(tarnwick_core PUBLIC d5api_import)
endif()
