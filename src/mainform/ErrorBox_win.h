// The toolkit's default error report: a modal message box with a stop icon
// and no owner, showing a failure's message (with "." appended when its last
// character sorts after "."), under a caption made from the host's file name.
#pragma once

#include <string_view>

namespace varnholt {

// Shows the box and returns when the user has dismissed it. Never fails.
void ShowErrorBox(std::string_view message) noexcept;

// From now on ShowErrorBox shows nothing. For the library's unloading: a
// box's message loop would run the host's code under the loader lock.
void SuppressErrorBoxes() noexcept;

// Inside a catch block: the text of the failure being handled ("Out of
// memory" for an allocation that failed). Valid while that block runs.
const char* CurrentFailureText() noexcept;

// Runs `work`; a failure it raises is shown in the error box, after which the
// caller carries on. Every window event runs through here.
template <typename Work>
void ReportingFailures(Work&& work) noexcept {
  try {
    work();
  } catch (...) {
    ShowErrorBox(CurrentFailureText());
  }
}

}  // namespace varnholt
