# The profiler report parser and the Bluetooth battery rules on a 10,000-line
# report, in lines per second.
add_executable(profiler_bench profiler_bench.cc)
target_link_libraries(profiler_bench PRIVATE tellwick_bluetooth benchmark::benchmark)
add_dependencies(profiler_bench tellwick_resources)
