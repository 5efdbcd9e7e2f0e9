# The waits benchmark runs zmcli as a process against pseudo-terminals and promsim.
target_link_libraries(bench_waits PRIVATE util)
target_include_directories(bench_waits PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
add_dependencies(bench_waits promsim morvel zmcli)
