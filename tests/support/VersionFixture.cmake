# The program that the version check's whole-process tests start.
add_executable(version_check_fixture ${CMAKE_CURRENT_SOURCE_DIR}/support/VersionCheckFixture.cpp)
target_link_libraries(version_check_fixture PRIVATE pellow_support)
pellow_warnings(version_check_fixture)
cmake_language(DEFER CALL add_dependencies test_support_Version_test version_check_fixture)
