# The window placement store's portable texts, tested natively. The store's
# Windows files are built into the DLL by cmake/Windows.cmake.

add_executable(placement_tests ${PROJECT_SOURCE_DIR}/tests/native/PlacementTextTest.cpp)
target_link_libraries(placement_tests PRIVATE varnholt_core GTest::gtest_main Threads::Threads)
target_compile_options(placement_tests PRIVATE ${VARNHOLT_WARNINGS})
gtest_discover_tests(placement_tests)
