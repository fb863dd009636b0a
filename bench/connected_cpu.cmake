# CPU the shell uses while connected, against korvane-sim running as its own process.
add_executable(bench_connected_cpu connected_cpu_main.cpp)
target_link_libraries(bench_connected_cpu PRIVATE korvane_app)
target_compile_definitions(bench_connected_cpu PRIVATE KORVANE_SIM_PATH="$<TARGET_FILE:korvane-sim>")
add_dependencies(bench_connected_cpu korvane-sim)
