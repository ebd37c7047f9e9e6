// The toolkit's default error report: a modal message box with a stop icon
// and no owner, showing a failure's message (with "." appended when its last
// character sorts after "."), under a caption made from the host's file name.
#pragma once

#include <exception>
#include <string>

namespace varnholt {

void ShowErrorBox(const std::string& message) noexcept;

// Runs `work`; a failure it raises is shown in the error box, after which the
// caller carries on. Every window event runs through here.
template <typename Work>
void ReportingFailures(Work&& work) noexcept {
  try {
    work();
  } catch (const std::exception& e) {
    ShowErrorBox(e.what());
  } catch (...) {
    ShowErrorBox("Unknown failure");
  }
}

}  // namespace varnholt
