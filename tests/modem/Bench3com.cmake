# The 3Com download benchmark of bench/: a program that prints its figures,
# not a test; it uses the simulator rig of these tests.
add_executable(bench_Download3com ${CMAKE_SOURCE_DIR}/bench/Download3com.cpp)
target_link_libraries(bench_Download3com PRIVATE pellow_modem pellow_testkit)
pellow_warnings(bench_Download3com)
