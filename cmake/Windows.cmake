# mingw-w64 builds (i686, the one we ship, and x86_64, the one Wine runs).
