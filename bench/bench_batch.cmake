target_include_directories(bench_batch PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
add_dependencies(bench_batch promsim zmcli)
