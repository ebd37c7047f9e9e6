# The window placement store: its portable texts join the core, and their
# tests run natively. The store's Windows files are built into the DLL by
# cmake/Windows.cmake.

target_sources(varnholt_core PRIVATE ${PROJECT_SOURCE_DIR}/src/placement/PlacementText.cpp)

add_executable(placement_tests ${PROJECT_SOURCE_DIR}/tests/native/PlacementTextTest.cpp)
target_link_libraries(placement_tests PRIVATE varnholt_core GTest::gtest_main Threads::Threads)
target_compile_options(placement_tests PRIVATE ${VARNHOLT_WARNINGS})
gtest_discover_tests(placement_tests)
