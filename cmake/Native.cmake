# Native (Linux) build: the portable core, its tests, benchmarks and tools.

find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

add_executable(core_tests
  tests/native/PluginTest.cpp
  tests/native/WorkedListTest.cpp
  tests/native/ScoringTest.cpp
  tests/native/ReportTest.cpp
)
target_link_libraries(core_tests PRIVATE varnholt_core GTest::gtest_main Threads::Threads)
target_compile_options(core_tests PRIVATE ${VARNHOLT_WARNINGS})
target_compile_definitions(core_tests PRIVATE VARNHOLT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
include(GoogleTest)
gtest_discover_tests(core_tests)

find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(scoring_bench bench/ScoringBench.cpp)
  target_link_libraries(scoring_bench PRIVATE varnholt_core benchmark::benchmark Threads::Threads)
  target_compile_options(scoring_bench PRIVATE ${VARNHOLT_WARNINGS})
endif()

# Subsystems that add their own sources, tests and benchmarks.
include(${PROJECT_SOURCE_DIR}/cmake/rescan.cmake OPTIONAL)
include(${PROJECT_SOURCE_DIR}/cmake/placement.cmake OPTIONAL)
include(${PROJECT_SOURCE_DIR}/cmake/hardening.cmake OPTIONAL)
include(${PROJECT_SOURCE_DIR}/cmake/scorer.cmake)
