# The log re-scan's tests and benchmark: the log query over a host's ODBC
# connection, natively through unixODBC, against SQLite files.

add_executable(rescan_tests ${PROJECT_SOURCE_DIR}/tests/native/RescanTest.cpp)
target_link_libraries(rescan_tests PRIVATE varnholt_rescan varnholt_odbc GTest::gtest_main Threads::Threads)
target_compile_options(rescan_tests PRIVATE ${VARNHOLT_WARNINGS})
gtest_discover_tests(rescan_tests)

if(benchmark_FOUND)
  add_executable(rescan_bench ${PROJECT_SOURCE_DIR}/bench/RescanBench.cpp)
  target_link_libraries(rescan_bench PRIVATE varnholt_rescan varnholt_odbc benchmark::benchmark Threads::Threads)
  target_include_directories(rescan_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/native)
  target_compile_options(rescan_bench PRIVATE ${VARNHOLT_WARNINGS})
endif()
