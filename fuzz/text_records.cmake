# One libFuzzer target per keyed text record reader. Each has a test that only
# replays its seed corpus and any saved regression inputs, so that a plain test
# run stays fast; fuzzing itself is started by hand, e.g.
#   fuzz_camera_record -max_total_time=600 <work dir> <source>/fuzz/corpus/camera
enable_testing()

set(TEXT_RECORD_FUZZ_KINDS camera cameras light material extend_material)
set(TEXT_RECORD_KIND_camera 1)
set(TEXT_RECORD_KIND_cameras 2)
set(TEXT_RECORD_KIND_light 3)
set(TEXT_RECORD_KIND_material 4)
set(TEXT_RECORD_KIND_extend_material 5)

foreach(kind IN LISTS TEXT_RECORD_FUZZ_KINDS)
  set(target fuzz_${kind}_record)
  add_executable(${target} ${CMAKE_CURRENT_LIST_DIR}/text_record_fuzzer.cpp)
  target_compile_definitions(${target} PRIVATE TEXT_RECORD_KIND=${TEXT_RECORD_KIND_${kind}})
  target_link_libraries(${target} PRIVATE tarnwick_core)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)

  file(GLOB inputs CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_LIST_DIR}/corpus/${kind}/*
    ${CMAKE_CURRENT_LIST_DIR}/regressions/${kind}/*)
  # Given files rather than directories, libFuzzer runs each once and exits.
  add_test(NAME fuzz_${kind}_record_replay COMMAND ${target} ${inputs})
endforeach()
