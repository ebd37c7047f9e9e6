#include "mainform/ErrorBox_win.h"

#include <windows.h>

#include "mainform/ErrorText.h"

namespace varnholt {

void ShowErrorBox(const std::string& message) noexcept {
  try {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string caption = ErrorBoxCaption(path);
    const std::string text = ErrorBoxText(message);
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
  } catch (...) {
    // Out of memory while reporting: nothing sensible is left to show.
  }
}

}  // namespace varnholt
