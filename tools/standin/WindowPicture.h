// A picture of a window as it is on the screen, frame included, saved as a
// 24-bit BMP file.
#pragma once

#include <windows.h>

#include <string>

namespace standin {

// Copies the window's pixels and writes them to `path`. Returns an empty
// string on success, else what went wrong. The window should be visible and
// painted.
std::string SaveWindowPicture(HWND window, const std::string& path);

}  // namespace standin
