# The release side of a Windows build, included by CMakeLists.txt after the DLL
# and the scorer: what keeps them the same bytes from any folder, and their
# version resources.

# The DLL's preferred load address, fixed: the linker's automatic choice is a
# hash of the output file's path, so each build folder made a different DLL.
# (Windows moves it wherever it likes; the CPU emulator test moves it too.)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(Varnholt PRIVATE -Wl,--image-base,0x66a00000)
else()
  target_link_options(Varnholt PRIVATE -Wl,--image-base,0x266a00000)
endif()

# One version: project(Varnholt VERSION ...). The version resources take it
# from a generated header, varnholt-score --version from VARNHOLT_VERSION.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(VARNHOLT_VERSION_${part} ${PROJECT_VERSION_${part}})
  if("${VARNHOLT_VERSION_${part}}" STREQUAL "")
    set(VARNHOLT_VERSION_${part} 0)
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/VarnholtVersion.h.in ${CMAKE_BINARY_DIR}/version/VarnholtVersion.h @ONLY)
target_sources(varnholt-score PRIVATE ${PROJECT_SOURCE_DIR}/src/resources/Scorer.rc)
foreach(target Varnholt varnholt-score)
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR}/version)
endforeach()
# windres leaves no list of the files a resource script included.
set_property(SOURCE ${PROJECT_SOURCE_DIR}/src/resources/Varnholt.rc ${PROJECT_SOURCE_DIR}/src/resources/Scorer.rc
  APPEND PROPERTY OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/version/VarnholtVersion.h
                                 ${PROJECT_SOURCE_DIR}/src/resources/VersionInfo.rc)
