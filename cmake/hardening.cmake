# Hardening: the regression tests of faults that the sanitizer runs and the
# fuzz targets found, and the fuzz targets themselves.
#
# The fuzz targets need clang's libFuzzer; scripts/fuzz.sh configures a clang
# build with -DVARNHOLT_FUZZ=ON and the sanitizers in CMAKE_CXX_FLAGS, and
# builds only them.

add_executable(fuzz_regression_tests ${PROJECT_SOURCE_DIR}/tests/native/FuzzRegressionTest.cpp)
target_link_libraries(fuzz_regression_tests PRIVATE varnholt_core GTest::gtest_main Threads::Threads)
target_include_directories(fuzz_regression_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/native)
target_compile_options(fuzz_regression_tests PRIVATE ${VARNHOLT_WARNINGS})
gtest_discover_tests(fuzz_regression_tests)

option(VARNHOLT_FUZZ "Build the libFuzzer targets in fuzz/ (clang only)" OFF)
if(VARNHOLT_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VARNHOLT_FUZZ needs clang (libFuzzer); CMAKE_CXX_COMPILER is ${CMAKE_CXX_COMPILER_ID}")
  endif()
  foreach(name host_records registry_texts log_rows log_files)
    add_executable(fuzz_${name} ${PROJECT_SOURCE_DIR}/fuzz/${name}.cpp)
    target_link_libraries(fuzz_${name} PRIVATE varnholt_scorer)
    target_compile_options(fuzz_${name} PRIVATE ${VARNHOLT_WARNINGS} -fsanitize=fuzzer)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()
