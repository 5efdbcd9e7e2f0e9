# The terminal benchmark drives the real main window against promsim and a pty of its own.
target_link_libraries(bench_terminal PRIVATE zm32ui util)
target_include_directories(bench_terminal PRIVATE ${CMAKE_SOURCE_DIR}/tests/support ${CMAKE_SOURCE_DIR}/tests/frontend/qt)
set_target_properties(bench_terminal PROPERTIES AUTOMOC ON)
add_dependencies(bench_terminal promsim)
