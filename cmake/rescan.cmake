# The log re-scan: the log query over the host's ODBC connection, natively
# through unixODBC, tested against SQLite files through its ODBC driver.

target_sources(varnholt_core PRIVATE
  ${PROJECT_SOURCE_DIR}/src/mainform/LogQuery.cpp
  ${PROJECT_SOURCE_DIR}/src/mainform/Rescan.cpp
)
find_package(ODBC REQUIRED)
target_link_libraries(varnholt_core PUBLIC ODBC::ODBC)

add_executable(rescan_tests ${PROJECT_SOURCE_DIR}/tests/native/RescanTest.cpp)
target_link_libraries(rescan_tests PRIVATE varnholt_core GTest::gtest_main Threads::Threads)
target_compile_options(rescan_tests PRIVATE ${VARNHOLT_WARNINGS})
gtest_discover_tests(rescan_tests)

if(benchmark_FOUND)
  add_executable(rescan_bench ${PROJECT_SOURCE_DIR}/bench/RescanBench.cpp)
  target_link_libraries(rescan_bench PRIVATE varnholt_core benchmark::benchmark Threads::Threads)
  target_include_directories(rescan_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/native)
  target_compile_options(rescan_bench PRIVATE ${VARNHOLT_WARNINGS})
endif()
