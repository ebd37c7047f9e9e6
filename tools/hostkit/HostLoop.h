// The host's thread as the plug-in's window meets it: the message loop, the
// window's controls as the host finds them, and the plug-in's error boxes,
// which nobody is at the keyboard to close.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace host {

// One turn of a host's message loop: every pending message, none waited for.
void PumpMessages();
// Pumps until `done` holds or `timeoutMs` passes.
template <typename Done>
bool PumpUntil(Done done, int timeoutMs = 5000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
    PumpMessages();
    Sleep(5);
  }
  return true;
}

std::string WindowText(HWND window);  // through WM_GETTEXT
HWND ReportBox(HWND form);            // the report text box
HWND RecalcButton(HWND form);         // the "Recalc Statistic" button

// Message boxes shown on this thread while it lives: each is dismissed as a
// user would, as soon as it is activated, and read as it is destroyed, when
// its text and styles are surely all in place. One at a time per thread.
class ErrorBoxes {
 public:
  struct Box {
    std::string caption;
    std::wstring wideCaption;  // the same, as Unicode
    std::string text;
    bool topmost;  // above always-on-top windows
    bool owned;    // has an owner window
  };
  // `onBox` is told of each box as it goes.
  explicit ErrorBoxes(std::function<void(const Box&)> onBox = {});
  ~ErrorBoxes();
  ErrorBoxes(const ErrorBoxes&) = delete;
  ErrorBoxes& operator=(const ErrorBoxes&) = delete;
  const std::vector<Box>& Seen() const { return seen_; }
  void Forget() { seen_.clear(); }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);

  HHOOK hook_ = nullptr;
  std::function<void(const Box&)> onBox_;
  std::vector<Box> seen_;
};

}  // namespace host
