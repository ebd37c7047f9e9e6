# The standalone scorer (varnholt-score) and the log readers it shares with
# the stand-in host, with their tests and benchmark. Native and Windows
# builds both include this file.

add_library(varnholt_scorer STATIC
  src/scorer/CallList.cpp
  ${VARNHOLT_CALL_LIST_CPP}
  src/scorer/ScoreLog.cpp
  src/scorer/ScoreOutput.cpp
  src/scorer/LogDatabase.cpp
)
target_link_libraries(varnholt_scorer PUBLIC varnholt_logfiles varnholt_rescan varnholt_odbc)
target_compile_options(varnholt_scorer PRIVATE ${VARNHOLT_WARNINGS})

add_executable(varnholt-score src/scorer/ScorerMain.cpp)
target_link_libraries(varnholt-score PRIVATE varnholt_scorer)
target_compile_options(varnholt-score PRIVATE ${VARNHOLT_WARNINGS})
target_compile_definitions(varnholt-score PRIVATE VARNHOLT_VERSION="${PROJECT_VERSION}")
if(WIN32)
  # Multiplier keys compare as the window compares them on this system.
  target_sources(varnholt-score PRIVATE src/mainform/KeyCollation_win.cpp)
  target_link_options(varnholt-score PRIVATE ${VARNHOLT_STATIC_LINK})
  set_target_properties(varnholt-score PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VARNHOLT_DIST_DIR})
endif()

if(NOT WIN32)
  add_executable(logfile_tests
    tests/native/ContactFileTest.cpp
    tests/native/PrefixTableTest.cpp
    tests/native/AdifTest.cpp
  )
  target_link_libraries(logfile_tests PRIVATE varnholt_logfiles varnholt_core GTest::gtest_main Threads::Threads)
  target_compile_options(logfile_tests PRIVATE ${VARNHOLT_WARNINGS})
  target_compile_definitions(logfile_tests PRIVATE VARNHOLT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             VARNHOLT_CTY_FILE="${VARNHOLT_CTY_FILE}")
  gtest_discover_tests(logfile_tests)

  add_executable(scorer_tests tests/native/ScorerTest.cpp)
  target_link_libraries(scorer_tests PRIVATE varnholt_scorer GTest::gtest_main Threads::Threads)
  target_include_directories(scorer_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/native)
  target_compile_options(scorer_tests PRIVATE ${VARNHOLT_WARNINGS})
  target_compile_definitions(scorer_tests PRIVATE VARNHOLT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             VARNHOLT_SCP_FILE="${VARNHOLT_SCP_FILE}")
  gtest_discover_tests(scorer_tests)
endif()

# The command line from the outside: natively, and under Wine.
if(NOT WIN32)
  add_test(NAME scorer_cli
    COMMAND ${PROJECT_SOURCE_DIR}/tests/scorer/cli_test.sh ${PROJECT_SOURCE_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/scorer-cli $<TARGET_FILE:varnholt-score>)
elseif(COMMAND varnholt_wine_test)
  add_test(NAME scorer_cli_wine
    COMMAND ${PROJECT_SOURCE_DIR}/tests/scorer/cli_test.sh ${PROJECT_SOURCE_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/scorer-cli $<TARGET_FILE:varnholt-score>
            ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
  set_tests_properties(scorer_cli_wine PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE LABELS wine)
endif()

if(NOT WIN32 AND benchmark_FOUND)
  add_executable(scorer_bench bench/ScorerBench.cpp)
  target_link_libraries(scorer_bench PRIVATE varnholt_scorer benchmark::benchmark Threads::Threads)
  target_compile_options(scorer_bench PRIVATE ${VARNHOLT_WARNINGS})
  target_compile_definitions(scorer_bench PRIVATE VARNHOLT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
