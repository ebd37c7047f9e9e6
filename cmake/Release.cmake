# The release side of a Windows build, included by CMakeLists.txt after the DLL
# and the scorer: what keeps them the same bytes from any folder.

# The DLL's preferred load address, fixed: the linker's automatic choice is a
# hash of the output file's path, so each build folder made a different DLL.
# (Windows moves it wherever it likes; the CPU emulator test moves it too.)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_link_options(Varnholt PRIVATE -Wl,--image-base,0x66a00000)
else()
  target_link_options(Varnholt PRIVATE -Wl,--image-base,0x266a00000)
endif()
