# Release settings, included once from the top CMakeLists.txt before any target:
# the version header for the programs, reproducible compiles and links, and the
# version and manifest resources of the shipped Windows programs.

# The project's one version number (project() in the top CMakeLists.txt) as a
# C++ header; every target that links tarnwick_version (and so the protocol header) sees it.
configure_file(${CMAKE_CURRENT_LIST_DIR}/tarnwick_version.h.in
               ${CMAKE_BINARY_DIR}/generated/tarnwick_version.h @ONLY)
add_library(tarnwick_version INTERFACE)
target_include_directories(tarnwick_version INTERFACE ${CMAKE_BINARY_DIR}/generated)

# Two Windows builds of one commit in different folders give the same bytes: no
# source or build folder in the objects, no link time stamp in the PE headers.
# The compiler refuses __DATE__ and __TIME__, which would differ between builds.
# (The native builds keep their paths, for the debugger and the sanitizers.)
# Debug information is compiled in (-g) for the separate symbol files of the shipped
# programs; the prefix maps keep the folders out of it as well. A compiler cache with a
# base folder (ccache's base_dir) hands the compiler the sources' paths relative to the
# build folder instead: the third map makes those the same as the absolute ones.
if(WIN32)
  add_compile_options(-g -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.
                      -ffile-prefix-map=${CMAKE_BINARY_DIR}=build -Werror=date-time)
  file(RELATIVE_PATH source_from_build ${CMAKE_BINARY_DIR} ${CMAKE_SOURCE_DIR})
  string(REGEX REPLACE "/$" "" source_from_build "${source_from_build}")
  if(source_from_build MATCHES "^\\.\\.")
    add_compile_options(-ffile-prefix-map=${source_from_build}/=./)
  endif()
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# The programs that go into the release archive, with their file descriptions.
set(TARNWICK_SHIPPED_PROGRAMS
  "Tarnwick|Tarnwick: links Corvella to the real-time renderer"
  "tarnwick_inspect|Tarnwick exchange folder inspector")

# Gives one program its version resource and its application manifest.
function(tarnwick_add_release_resources target description)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(TARNWICK_FILE_DESCRIPTION "${description}")
  set(TARNWICK_ORIGINAL_FILE_NAME "${name}.exe")
  set(TARNWICK_INTERNAL_NAME "${name}")
  set(TARNWICK_MANIFEST ${CMAKE_BINARY_DIR}/release/${name}.manifest)
  set(script ${CMAKE_BINARY_DIR}/release/${name}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/src/app/program.manifest.in ${TARNWICK_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/src/app/version.rc.in ${script} @ONLY)
  target_sources(${target} PRIVATE ${script})
  # windres reports no dependencies: a changed manifest must rebuild the resource.
  set_property(SOURCE ${script} TARGET_DIRECTORY ${target}
    APPEND PROPERTY OBJECT_DEPENDS ${TARNWICK_MANIFEST})
  set(TARNWICK_SHIPPED_FILES ${TARNWICK_SHIPPED_FILES} ${name}.exe PARENT_SCOPE)
endfunction()

# The release's copy of a shipped program carries no symbols: its debug information goes
# into release/symbols/NAME.exe.debug, which the copy in release/programs names in its debug
# link (file name and checksum), for the symbols archive and scripts/crash_symbols.sh. The
# program in bin keeps its symbols, for debugging. objcopy stamps the PE header with the
# current time unless SOURCE_DATE_EPOCH says otherwise; 0 is what the linker wrote.
function(tarnwick_split_symbols target name outputs_var)
  set(program $<TARGET_FILE:${target}>)
  set(stripped ${CMAKE_BINARY_DIR}/release/programs/${name}.exe)
  set(symbols ${CMAKE_BINARY_DIR}/release/symbols/${name}.exe.debug)
  add_custom_command(OUTPUT ${stripped} ${symbols}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/release/programs
            ${CMAKE_BINARY_DIR}/release/symbols
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --only-keep-debug ${program} ${symbols}
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0
            ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${symbols} ${program} ${stripped}
    DEPENDS ${target}
    COMMENT "Stripping ${name}.exe, its symbols kept apart"
    VERBATIM)
  set(${outputs_var} ${${outputs_var}} ${stripped} ${symbols} PARENT_SCOPE)
endfunction()

# Runs once every folder is read, so that it finds the shipped programs wherever
# they are defined (the inspector may or may not be part of this tree).
function(tarnwick_release_targets)
  target_link_libraries(tarnwick_protocol INTERFACE tarnwick_version)
  if(NOT WIN32)
    return()
  endif()
  set(shipped "")
  set(TARNWICK_SHIPPED_FILES "")
  foreach(entry IN LISTS TARNWICK_SHIPPED_PROGRAMS)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 target)
    list(GET entry 1 description)
    if(TARGET ${target})
      tarnwick_add_release_resources(${target} "${description}")
      list(APPEND shipped ${target})
    endif()
  endforeach()
  set(release_files "")
  foreach(target IN LISTS shipped)
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
      set(name ${target})
    endif()
    tarnwick_split_symbols(${target} ${name} release_files)
  endforeach()
  # scripts/package.sh builds this target and reads which programs this tree ships.
  add_custom_target(tarnwick_release_programs ALL DEPENDS ${release_files})
  list(JOIN TARNWICK_SHIPPED_FILES "\n" shipped_text)
  file(WRITE ${CMAKE_BINARY_DIR}/release/shipped_programs.txt "${shipped_text}\n")
  if(TARNWICK_TESTS)
    # A crash entry's place in the stripped program, named from its symbol file.
    add_test(NAME crash_symbols
      COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/crash_symbols_test.sh ${CMAKE_BINARY_DIR})
    # The release's programs signed with a throwaway certificate, and verified against it.
    add_test(NAME release_signing
      COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check_signing.sh ${CMAKE_BINARY_DIR})
    add_executable(version_resource_tests ${PROJECT_SOURCE_DIR}/src/app/version_resource_test.cpp)
    target_link_libraries(version_resource_tests PRIVATE tarnwick_version ${TARNWICK_GTEST} version)
    target_compile_definitions(version_resource_tests PRIVATE UNICODE _UNICODE)
    list(JOIN TARNWICK_SHIPPED_FILES "," shipped_files)
    target_compile_definitions(version_resource_tests PRIVATE
      TARNWICK_SHIPPED_FILES_W=L"${shipped_files}")
    add_dependencies(version_resource_tests ${shipped})
    gtest_discover_tests(version_resource_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
      PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 60)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tarnwick_release_targets)
