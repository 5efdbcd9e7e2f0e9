# The simulator benchmark drives promsim through its line as a peer would.
target_include_directories(bench_promsim PRIVATE ${CMAKE_SOURCE_DIR}/tests/support ${CMAKE_SOURCE_DIR}/tests/promsim)
add_dependencies(bench_promsim promsim)
