# The blank check benchmark runs zmcli against promsim paced like 9600 baud.
target_include_directories(bench_blank PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
add_dependencies(bench_blank promsim zmcli)
