# The real process runner (posix_spawn, pipes drained with poll).
add_library(tellwick_os_process STATIC process_runner_linux.cc)
target_link_libraries(tellwick_os_process PUBLIC tellwick_os)

tellwick_unit_test(process_runner_test SOURCES process_runner_test.cc LIBS tellwick_os_process)
