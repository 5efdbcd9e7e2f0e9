# The transfer benchmark drives the real main window (zm32ui brings Qt Widgets) against promsim,
# with files from morvel.
find_package(Threads REQUIRED)
target_link_libraries(bench_transfers PRIVATE zm32ui util Threads::Threads)
target_include_directories(bench_transfers PRIVATE ${CMAKE_SOURCE_DIR}/tests/support ${CMAKE_SOURCE_DIR}/tests/frontend/qt)
add_dependencies(bench_transfers promsim morvel zmcli)
