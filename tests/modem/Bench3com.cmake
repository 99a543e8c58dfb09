# The 3Com download benchmark of bench/: a program that prints its figures,
# not a test; it uses the simulator rig of these tests and starts the built
# modemsim, so it is built with it.
add_executable(bench_Download3com ${CMAKE_SOURCE_DIR}/bench/Download3com.cpp)
target_link_libraries(bench_Download3com PRIVATE pellow_modem pellow_testkit)
pellow_warnings(bench_Download3com)
add_dependencies(bench_Download3com modemsim)
