# The release side of a Windows build, included by CMakeLists.txt after the DLL
# and the scorer: what keeps them the same bytes from any folder, their
# version resources, and the archive an operator installs from (target
# release_zip; scripts/release.sh makes both archives).

# The DLL's preferred load address, fixed: the linker's automatic choice is a
# hash of the output file's path, so each build folder made a different DLL.
# (Windows moves it wherever it likes; the CPU emulator test moves it too.)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(Varnholt PRIVATE -Wl,--image-base,0x66a00000)
else()
  target_link_options(Varnholt PRIVATE -Wl,--image-base,0x266a00000)
endif()

# One version: project(Varnholt VERSION ...). The version resources take it
# from a generated header, varnholt-score --version from VARNHOLT_VERSION, the
# archive its name.
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

# The archive: the DLL, the scorer, the operator's README.txt, LICENSE, the
# third-party notices as this machine's packages give them, SHA256SUMS. Made
# by Debian's interpreter (scripts/lib/varnholt.sh installs it), whatever else
# "python3" names on this machine.
find_program(VARNHOLT_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
set(release_dir ${CMAKE_BINARY_DIR}/release)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(release_name Varnholt-${PROJECT_VERSION}-win32)
else()
  set(release_name Varnholt-${PROJECT_VERSION}-win64)
endif()
set(VARNHOLT_RELEASE_ZIP ${release_dir}/${release_name}.zip)
configure_file(${PROJECT_SOURCE_DIR}/docs/README.txt.in ${release_dir}/README.txt @ONLY)
# Both made at every build of the target: the notices as the packages now
# installed give them, the entries dated at the commit's time.
add_custom_target(release_zip
  COMMAND ${VARNHOLT_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/notices.py --compiler ${CMAKE_CXX_COMPILER}
          --cty ${VARNHOLT_CTY_FILE} --scp ${VARNHOLT_SCP_FILE} --out ${release_dir}/THIRD-PARTY.txt
  COMMAND ${VARNHOLT_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/pack.py --out ${VARNHOLT_RELEASE_ZIP} --folder ${release_name}
          --program Varnholt.dll=$<TARGET_FILE:Varnholt> --program varnholt-score.exe=$<TARGET_FILE:varnholt-score>
          --text README.txt=${release_dir}/README.txt --text LICENSE=${PROJECT_SOURCE_DIR}/LICENSE
          --text THIRD-PARTY.txt=${release_dir}/THIRD-PARTY.txt
  BYPRODUCTS ${release_dir}/THIRD-PARTY.txt ${VARNHOLT_RELEASE_ZIP}
  COMMENT "Packing ${release_name}.zip, with the third-party notices of this machine's packages")
add_dependencies(release_zip Varnholt varnholt-score)
