target_link_libraries(${name} PRIVATE zmimage_core)
