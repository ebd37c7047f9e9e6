# The host kit: the host's side of the plug-in's ABI (record layout, entry
# points in the host's convention, loader, message loop, error boxes, the log
# table), shared by the stand-in host and the Wine tests' host.
add_library(varnholt_hostkit STATIC
  tools/hostkit/HostAbi.cpp
  tools/hostkit/HostLoop.cpp
)
target_include_directories(varnholt_hostkit PUBLIC tools/hostkit)
target_compile_options(varnholt_hostkit PRIVATE ${VARNHOLT_WARNINGS})
target_link_libraries(varnholt_hostkit PUBLIC varnholt_odbc user32)

# The stand-in host: a Windows program that loads the plug-in DLL as the
# logging program does and feeds it a contacts file. It goes beside the DLL
# (dist/win32/standin.exe, dist/win64/standin.exe).
add_executable(standin
  tools/standin/StandInHost.cpp
  tools/standin/HostPaths.cpp
  tools/standin/WindowPicture.cpp
)
target_compile_options(standin PRIVATE ${VARNHOLT_WARNINGS})
target_link_libraries(standin PRIVATE varnholt_hostkit varnholt_logfiles gdi32)
target_link_options(standin PRIVATE ${VARNHOLT_STATIC_LINK})
set_target_properties(standin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VARNHOLT_DIST_DIR})
# It loads the DLL at run time; build both together.
add_dependencies(standin Varnholt)

# Runs of the stand-in host itself under Wine.
if(COMMAND varnholt_wine_test)
  foreach(case sample_log cabrillo_and_host_log failures)
    add_test(NAME standin_${case}
      COMMAND ${PROJECT_SOURCE_DIR}/tools/standin/standin_test.sh ${case}
              ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh $<TARGET_FILE:standin>
              ${PROJECT_SOURCE_DIR}/data/sample.log ${CMAKE_CURRENT_BINARY_DIR}/standin-tests/${case})
    set_tests_properties(standin_${case} PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE LABELS wine)
  endforeach()
endif()
