# Windows test programs, run under Wine by ctest (the toolchain's emulator).
# Each build's programs load that build's DLL (dist/win32 or dist/win64) by
# name as a host does. Every test that needs Wine carries the label "wine",
# so that a machine that cannot run this build's programs can leave them out.

set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The DLL as Wine sees it: the Unix path under drive Z:.
string(REPLACE "/" "\\\\" VARNHOLT_DLL_WINPATH "Z:${VARNHOLT_DIST_DIR}/Varnholt.dll")

# The harness that stands where the host stands, built once for all tests:
# the host kit (cmake/standin.cmake) with this build's DLL and log database.
add_library(wine_host STATIC tests/wine/DllHost.cpp)
target_include_directories(wine_host PUBLIC tests/wine)
target_compile_options(wine_host PRIVATE ${VARNHOLT_WARNINGS})
target_compile_definitions(wine_host PRIVATE VARNHOLT_DLL_PATH="${VARNHOLT_DLL_WINPATH}")
target_link_libraries(wine_host PUBLIC varnholt_hostkit user32 gdi32 advapi32)

function(varnholt_wine_test name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE src tests/wine)
  target_compile_options(${name} PRIVATE ${VARNHOLT_WARNINGS})
  target_compile_definitions(${name} PRIVATE VARNHOLT_DLL_PATH="${VARNHOLT_DLL_WINPATH}")
  target_link_libraries(${name} PRIVATE wine_host varnholt_core gtest gtest_main)
  target_link_options(${name} PRIVATE ${VARNHOLT_STATIC_LINK})
  add_dependencies(${name} Varnholt)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE LABELS wine)
endfunction()

varnholt_wine_test(wine_entry_points tests/wine/EntryPointsTest.cpp)
varnholt_wine_test(wine_window tests/wine/WindowTest.cpp)
varnholt_wine_test(wine_rescan tests/wine/RescanWineTest.cpp)

# The locale comparison of multiplier keys, linked directly (no DLL needed).
varnholt_wine_test(wine_collation tests/wine/CollationTest.cpp src/mainform/KeyCollation_win.cpp)
varnholt_wine_test(wine_soak tests/wine/SoakTest.cpp)
target_link_libraries(wine_soak PRIVATE psapi)
varnholt_wine_test(wine_hostile tests/wine/HostileTest.cpp)
varnholt_wine_test(wine_boundary tests/wine/HostBoundaryTest.cpp)

# Every failable call of the plug-in failed once, in the main scenes of a
# contest, with Wine's heap checking on. VARNHOLT_FAULTS=all in the
# environment fails every call instead of a sample.
varnholt_wine_test(wine_faults tests/wine/FaultInjectionTest.cpp tests/wine/ImportFaults.cpp)
target_link_libraries(wine_faults PRIVATE varnholt_logfiles)
target_compile_definitions(wine_faults PRIVATE
  VARNHOLT_REAL_LOG="Z:${PROJECT_SOURCE_DIR}/data/reallogs/k9ct.log")
set_tests_properties(wine_faults PROPERTIES ENVIRONMENT "WINEDEBUG=warn+heap" TIMEOUT 1800)
