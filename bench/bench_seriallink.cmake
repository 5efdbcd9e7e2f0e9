# The serial link benchmark uses the built library as the front-end does, and a pty of its own.
find_package(Threads REQUIRED)
target_link_libraries(bench_seriallink PRIVATE zmhwcomm util Threads::Threads)
target_include_directories(bench_seriallink PRIVATE ${CMAKE_SOURCE_DIR}/seriallink/include)
