// What the shipping programs do where Windows lacks a function newer than
// XP: each is looked up at run time, and here the lookup is made to fail,
// as it fails on XP, by redirecting the caller's GetProcAddress import.
// ctest runs this at the display's scale and at 150 %.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "HostFixture.h"
#include "ImportPatch.h"

namespace {

using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
GetProcAddressFn systemGetProcAddress = nullptr;
const char* refused = "";
int refusals = 0;

FARPROC WINAPI RefusingGetProcAddress(HMODULE module, LPCSTR name) {
  if (!IS_INTRESOURCE(name) && std::strcmp(name, refused) == 0) {
    ++refusals;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return systemGetProcAddress(module, name);
}

// While it lives, `module` finds no function named `name`.
class Refusal {
 public:
  Refusal(HMODULE module, const char* name) : module_(module) {
    refused = name;
    refusals = 0;
    systemGetProcAddress = reinterpret_cast<GetProcAddressFn>(
        host::PatchImport(module, "kernel32", "GetProcAddress", reinterpret_cast<void*>(&RefusingGetProcAddress)));
  }
  ~Refusal() {
    host::PatchImport(module_, "kernel32", "GetProcAddress", reinterpret_cast<void*>(systemGetProcAddress));
  }
  bool Installed() const { return systemGetProcAddress != nullptr; }

 private:
  HMODULE module_;
};

// GetTickCount's answers, one per call.
const DWORD* ticks = nullptr;
DWORD WINAPI ScriptedTickCount() { return *ticks++; }

// This program links the shipping programs' own GetTickCount64 (the thread
// runtime imports it, and XP has none): without the system's, it counts
// GetTickCount's wraps.
TEST(OlderWindows, GetTickCount64CountsTheWrapsOfGetTickCount) {
  const HMODULE self = GetModuleHandleA(nullptr);
  const Refusal refusal(self, "GetTickCount64");
  ASSERT_TRUE(refusal.Installed());
  const DWORD script[] = {0xFFFFFF00, 0xFFFFFF80, 0x100, 0x200};
  ticks = script;
  void* const systemTickCount =
      host::PatchImport(self, "kernel32", "GetTickCount", reinterpret_cast<void*>(&ScriptedTickCount));
  ASSERT_NE(systemTickCount, nullptr);
  const ULONGLONG counted[] = {GetTickCount64(), GetTickCount64(), GetTickCount64(), GetTickCount64()};
  host::PatchImport(self, "kernel32", "GetTickCount", systemTickCount);
  EXPECT_EQ(refusals, 1) << "looked up once, at the first call";
  EXPECT_EQ(counted[0], 0xFFFFFF00ull);
  EXPECT_EQ(counted[1], 0xFFFFFF80ull);
  EXPECT_EQ(counted[2], 0x100000100ull);
  EXPECT_EQ(counted[3], 0x100000200ull);
}

// Without the per-monitor dpi of later systems, the window is drawn at the
// screen's dpi.
class WithoutMonitorDpi : public host::HostFixture {};

TEST_F(WithoutMonitorDpi, TheWindowIsScaledToTheScreen) {
  const Refusal refusal(plugin.module, "GetDpiForWindow");
  ASSERT_TRUE(refusal.Installed());
  const HWND form = Run();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(refusals, 1);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  RECT r = {};
  GetWindowRect(form, &r);
  EXPECT_EQ(r.right - r.left, MulDiv(374, dpi, 96));
  EXPECT_EQ(r.bottom - r.top, MulDiv(196, dpi, 96));
  LOGFONTA font = {};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(host::ReportBox(form), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
  EXPECT_TRUE(boxes.Seen().empty());
}

}  // namespace
