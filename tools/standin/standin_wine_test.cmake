# Under Wine: the session against D5Api.dll, linked as Tarnwick.exe is (the
# import library, the DLL beside the program), with real message boxes.
add_executable(standin_wine_test standin_wine_test.cpp ${PROJECT_SOURCE_DIR}/tools/testlib/json.cpp)
target_include_directories(standin_wine_test PRIVATE ${PROJECT_SOURCE_DIR}/tools)
target_link_libraries(standin_wine_test PRIVATE test_host_lib tarnwick_core d5api_import gtest gtest_main)
add_dependencies(standin_wine_test D5Api renderer_window)
add_test(NAME standin_wine_test COMMAND standin_wine_test)
set_tests_properties(standin_wine_test PROPERTIES
  RESOURCE_LOCK tarnwick_globals FIXTURES_REQUIRED wine TIMEOUT 180)

# The programs import the renderer's functions by name, and the stand-in
# exports every one of them by name. (Generator expressions are evaluated after
# every directory is read, so the product's target can be named here.)
foreach(program standin_wine_test Tarnwick)
  add_test(NAME d5api_imports_by_name_${program}
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/check_d5api_names.sh ${CMAKE_OBJDUMP}
            $<TARGET_FILE:${program}> $<TARGET_FILE:D5Api>
            ${PROJECT_SOURCE_DIR}/src/renderer/d5api.def)
endforeach()
