// The toolkit's default error report: a modal message box with a stop icon
// and no owner, showing a failure's message (with "." appended when its last
// character sorts after "."), under a caption made from the host's file name.
#pragma once

#include <string_view>
#include <type_traits>

namespace varnholt {

// Shows the box and returns when the user has dismissed it. Never fails.
void ShowErrorBox(std::string_view message) noexcept;

// Inside a catch block: the text of the failure being handled ("Out of
// memory" for an allocation that failed). Valid while that block runs.
const char* CurrentFailureText() noexcept;

// Runs `work` and returns what it returns; a failure it raises is shown in
// the error box instead, and the caller gets a value-initialised result and
// carries on. Every window event and entry point runs through here: nothing
// thrown may unwind into the system's message dispatch or into the host.
template <typename Work>
auto ReportingFailures(Work&& work) noexcept -> decltype(work()) {
  try {
    return work();
  } catch (...) {
    ShowErrorBox(CurrentFailureText());
  }
  if constexpr (!std::is_void_v<decltype(work())>) return {};
}

}  // namespace varnholt
