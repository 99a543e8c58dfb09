# The conversion benchmark of bench/: a program that prints its figures
# beside sox's, not a test; built with the tests because it uses their kit.
add_executable(bench_KonvertiereSox ${CMAKE_SOURCE_DIR}/bench/KonvertiereSox.cpp)
target_link_libraries(bench_KonvertiereSox PRIVATE pellow_murmel pellow_testkit)
pellow_warnings(bench_KonvertiereSox)
