target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/frontend/session/run_log.cpp
               ${CMAKE_SOURCE_DIR}/frontend/session/serial_counter.cpp
               ${CMAKE_SOURCE_DIR}/frontend/session/platform/append_file_${ZM_PLATFORM}.cpp)
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/frontend/session)
target_link_libraries(${name} PRIVATE zmimage_core)
