target_link_libraries(${name} PRIVATE zm32core)
