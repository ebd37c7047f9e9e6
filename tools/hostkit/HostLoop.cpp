#include "HostLoop.h"

#include <cstring>
#include <utility>

namespace host {

namespace {

ErrorBoxes* watching = nullptr;  // the one watching this program's host thread

}  // namespace

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string WindowText(HWND window) {
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT got = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(got));
  return text;
}

HWND ReportBox(HWND form) { return FindWindowExA(form, nullptr, "EDIT", nullptr); }

HWND RecalcButton(HWND form) {
  for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (HWND button = FindWindowExA(child, nullptr, "BUTTON", nullptr)) return button;
  }
  return nullptr;
}

ErrorBoxes::ErrorBoxes(std::function<void(const Box&)> onBox) : onBox_(std::move(onBox)) {
  watching = this;
  hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

ErrorBoxes::~ErrorBoxes() {
  if (hook_) UnhookWindowsHookEx(hook_);
  watching = nullptr;
}

LRESULT CALLBACK ErrorBoxes::Hook(int code, WPARAM wParam, LPARAM lParam) {
  if ((code == HCBT_ACTIVATE || code == HCBT_DESTROYWND) && watching != nullptr) {
    const HWND box = reinterpret_cast<HWND>(wParam);
    char cls[32] = {};
    GetClassNameA(box, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && code == HCBT_ACTIVATE) {
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    } else if (std::strcmp(cls, "#32770") == 0) {
      char caption[256] = {}, text[4096] = {};
      wchar_t wideCaption[256] = {};
      GetWindowTextA(box, caption, sizeof caption);
      GetWindowTextW(box, wideCaption, 256);
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message box's text
      const bool topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
      watching->seen_.push_back({caption, wideCaption, text, topmost, GetWindow(box, GW_OWNER) != nullptr});
      if (watching->onBox_) watching->onBox_(watching->seen_.back());
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace host
