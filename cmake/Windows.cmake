# mingw-w64 builds (i686, the one we ship, and x86_64, a second build of the
# same sources): the plug-in DLL and, in both, the Windows test programs.

# Where the DLL goes (and where the Windows tests load it from).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VARNHOLT_DIST_DIR ${PROJECT_SOURCE_DIR}/dist/win32 CACHE PATH "Where the built DLL goes")
else()
  set(VARNHOLT_DIST_DIR ${PROJECT_SOURCE_DIR}/dist/win64 CACHE PATH "Where the built DLL goes")
endif()

# Nothing beyond Windows' own DLLs at run time. The statically linked thread
# runtime imports GetTickCount64, which Windows has had since Vista (6.0):
# the header says so, instead of the linker's default 4.0, so that an older
# system refuses the file at once rather than failing to bind it.
set(VARNHOLT_STATIC_LINK -static -static-libgcc -static-libstdc++
    -Wl,--major-os-version,6,--minor-os-version,0,--major-subsystem-version,6,--minor-subsystem-version,0)

add_library(Varnholt SHARED
  src/plugin/DoMain_win.cpp
  src/plugin/Varnholt.def
  src/mainform/MainForm_win.cpp
  src/mainform/ErrorBox_win.cpp
  src/mainform/KeyCollation_win.cpp
  src/placement/FormPlacement_win.cpp
  src/placement/Registry_win.cpp
  src/resources/Varnholt.rc
)
set_target_properties(Varnholt PROPERTIES
  PREFIX ""
  OUTPUT_NAME Varnholt
  RUNTIME_OUTPUT_DIRECTORY ${VARNHOLT_DIST_DIR})
target_include_directories(Varnholt PRIVATE src)
target_compile_options(Varnholt PRIVATE ${VARNHOLT_WARNINGS})
target_link_libraries(Varnholt PRIVATE varnholt_rescan user32 gdi32 advapi32)
target_link_options(Varnholt PRIVATE ${VARNHOLT_STATIC_LINK} -Wl,--enable-stdcall-fixup)
set_source_files_properties(src/resources/Varnholt.rc PROPERTIES
  INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}/src;${PROJECT_SOURCE_DIR}/src/resources")


# The shipping DLL's export table and imports, read as a host's loader would.
add_test(NAME dll_exports_and_imports
  COMMAND ${PROJECT_SOURCE_DIR}/tests/check_dll.sh ${VARNHOLT_OBJDUMP} $<TARGET_FILE:Varnholt>)
set_tests_properties(dll_exports_and_imports PROPERTIES SKIP_RETURN_CODE 77)

include(${PROJECT_SOURCE_DIR}/cmake/WineTests.cmake)

# Subsystems that add their Windows sources to the DLL and their Wine tests
# (with varnholt_wine_test).
include(${PROJECT_SOURCE_DIR}/cmake/rescan-win.cmake OPTIONAL)
include(${PROJECT_SOURCE_DIR}/cmake/placement-win.cmake OPTIONAL)
# The stand-in host that drives the plug-in as the real host does.
include(${PROJECT_SOURCE_DIR}/cmake/standin.cmake OPTIONAL)
# The standalone scorer, beside the DLL (dist/win*/varnholt-score.exe).
include(${PROJECT_SOURCE_DIR}/cmake/scorer.cmake)
