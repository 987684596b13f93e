# The container reader's libFuzzer target. Its test replays the seed corpus and
# any saved regression inputs without fuzzing; fuzzing is started by hand, e.g.
#   fuzz_container -max_total_time=600 <work dir> <source>/fuzz/corpus/container
# The seeds are written by container_seeds (build it, run it on corpus/container).
enable_testing()

add_executable(fuzz_container ${CMAKE_CURRENT_LIST_DIR}/container_fuzzer.cpp)
target_link_libraries(fuzz_container PRIVATE tarnwick_core)
target_link_options(fuzz_container PRIVATE -fsanitize=fuzzer)

add_executable(container_seeds ${CMAKE_CURRENT_LIST_DIR}/container_seeds.cpp)
target_link_libraries(container_seeds PRIVATE container_writer)

file(GLOB container_inputs CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/corpus/container/*
  ${CMAKE_CURRENT_LIST_DIR}/regressions/container/*)
add_test(NAME fuzz_container_replay COMMAND fuzz_container ${container_inputs})
