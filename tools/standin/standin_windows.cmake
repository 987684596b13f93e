# D5Api.dll, the stand-in renderer for the Windows build, with its renderer
# window program beside it in the one output folder.
add_executable(renderer_window WIN32 renderer_window.cpp)
target_link_options(renderer_window PRIVATE -municode)

add_library(D5Api SHARED ${STANDIN_SOURCES} standin_win32.cpp
            ${PROJECT_SOURCE_DIR}/src/renderer/d5api.def)
set_target_properties(D5Api PROPERTIES PREFIX "" OUTPUT_NAME D5Api)
target_link_libraries(D5Api PRIVATE tarnwick_text)
target_include_directories(D5Api PRIVATE ${PROJECT_SOURCE_DIR}/tools ${PROJECT_SOURCE_DIR}/src)
add_dependencies(D5Api renderer_window)

if(TARNWICK_TESTS)
  include(standin_wine_test.cmake OPTIONAL)
endif()
