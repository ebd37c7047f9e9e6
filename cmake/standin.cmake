# The stand-in host: a Windows program that loads the plug-in DLL as the
# logging program does and feeds it a contacts file. It goes beside the DLL
# (dist/win32/standin.exe, dist/win64/standin.exe).

add_executable(standin
  tools/standin/StandInHost.cpp
  tools/standin/HostLog.cpp
  tools/standin/HostPaths.cpp
  tools/standin/WindowPicture.cpp
)
target_compile_options(standin PRIVATE ${VARNHOLT_WARNINGS})
target_link_libraries(standin PRIVATE varnholt_logfiles user32 gdi32 odbc32)
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
