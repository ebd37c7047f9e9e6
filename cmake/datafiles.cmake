# The field's data files compiled into the programs: the country file that
# places call signs (into varnholt_logfiles) and the check list of active
# contest calls (into varnholt_scorer). Debian's hamradio-files package ships
# both; ctygen turns each into a C++ source at build time, so the Windows
# programs need no data file.

set(VARNHOLT_CTY_FILE /usr/share/hamradio-files/cty.dat CACHE FILEPATH "The country file compiled in")
set(VARNHOLT_SCP_FILE /usr/share/hamradio-files/MASTER.SCP CACHE FILEPATH "The check list compiled in")
foreach(file ${VARNHOLT_CTY_FILE} ${VARNHOLT_SCP_FILE})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing: install Debian's hamradio-files package (scripts/deps.sh lists it)")
  endif()
endforeach()

# The generator runs on the build machine: a target of this build natively,
# a build of its own for the build machine when cross-compiling.
if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(ctygen_dir ${CMAKE_BINARY_DIR}/ctygen-host)
  ExternalProject_Add(ctygen_host
    SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools/ctygen
    BINARY_DIR ${ctygen_dir}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${ctygen_dir}/ctygen)
  set(ctygen_command ${ctygen_dir}/ctygen)
  set(ctygen_depends ctygen_host ${ctygen_dir}/ctygen)
else()
  add_executable(ctygen tools/ctygen/CtyGen.cpp src/logfiles/CountryFile.cpp src/scorer/CallList.cpp)
  target_include_directories(ctygen PRIVATE src)
  target_compile_options(ctygen PRIVATE ${VARNHOLT_WARNINGS})
  set(ctygen_command $<TARGET_FILE:ctygen>)
  set(ctygen_depends ctygen)
endif()

set(VARNHOLT_COUNTRY_TABLE_CPP ${CMAKE_BINARY_DIR}/generated/CountryTable.cpp)
set(VARNHOLT_CALL_LIST_CPP ${CMAKE_BINARY_DIR}/generated/CallListData.cpp)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/generated)
add_custom_command(OUTPUT ${VARNHOLT_COUNTRY_TABLE_CPP}
  COMMAND ${ctygen_command} cty ${VARNHOLT_CTY_FILE} ${VARNHOLT_COUNTRY_TABLE_CPP}
  DEPENDS ${ctygen_depends} ${VARNHOLT_CTY_FILE}
  COMMENT "Compiling the country file ${VARNHOLT_CTY_FILE} into a table")
add_custom_command(OUTPUT ${VARNHOLT_CALL_LIST_CPP}
  COMMAND ${ctygen_command} scp ${VARNHOLT_SCP_FILE} ${VARNHOLT_CALL_LIST_CPP}
  DEPENDS ${ctygen_depends} ${VARNHOLT_SCP_FILE}
  COMMENT "Compiling the check list ${VARNHOLT_SCP_FILE} into a table")
# Each table's text is one string literal, longer than the 64 KiB the
# standard promises; GCC and clang, the compilers of every build here, take it.
set_source_files_properties(${VARNHOLT_COUNTRY_TABLE_CPP} ${VARNHOLT_CALL_LIST_CPP}
  PROPERTIES COMPILE_OPTIONS -Wno-overlength-strings)
