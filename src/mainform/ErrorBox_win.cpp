#include "mainform/ErrorBox_win.h"

#include <windows.h>

#include <exception>
#include <new>
#include <string>

#include "common/CodePage_win.h"
#include "common/HostPath_win.h"
#include "mainform/ErrorText.h"

namespace varnholt {

void ShowErrorBox(std::string_view message) noexcept {
  try {
    const std::string caption = ErrorBoxCaption(HostExecutablePath(), AnsiCodePage());
    const std::string text = ErrorBoxText(message);
    // No owner, but above the statistics window, which stays on top itself:
    // a box hidden behind it would leave the host looking usable. The
    // system-modal kind is the application-modal one made always-on-top
    // (WS_EX_TOPMOST), which MB_TOPMOST alone does not give everywhere.
    // The box's loop runs the host's messages, where a handler may unload
    // the library: boxes come only with a window, and _Run pins the library
    // before it builds one (DoMain_win.cpp).
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  } catch (...) {
    // Out of memory while reporting: nothing sensible is left to show.
  }
}

const char* CurrentFailureText() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown failure";
  }
}

}  // namespace varnholt
