// A host that unloads its plug-ins from one of its own message handlers,
// reached while the plug-in's code is processing messages: the re-scan of a
// big log, or an error box's loop. The host's process must live on, its heap
// intact, and the library go once its code is off the stack.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "HostFixture.h"

namespace {

constexpr UINT kUnload = WM_APP + 1;

// What the host's handler does when its message comes.
struct Unloader {
  bool releaseFirst = false;  // _Release before FreeLibrary, as the host is meant to
  int calls = 0;
  HWND window = nullptr;  // the host's window that gets the message
} unloader;

LRESULT CALLBACK HostWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kUnload) return DefWindowProcA(window, message, wParam, lParam);
  ++unloader.calls;
  if (unloader.releaseFirst) host::LoadPlugin().Release();
  host::UnloadPlugin();
  return 0;
}

// Posts the host's message as an error box comes up, ahead of its dismissal.
LRESULT CALLBACK UnloadAtTheBox(int code, WPARAM wParam, LPARAM lParam) {
  char cls[32] = {};
  if (code == HCBT_ACTIVATE && GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls) &&
      std::strcmp(cls, "#32770") == 0 && unloader.calls == 0)
    PostMessageA(unloader.window, kUnload, 0, 0);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A host that returns into unmapped code dies: said at once, not after the
// system's crash dialog has waited out the test's time.
LONG WINAPI HostCrashed(EXCEPTION_POINTERS* crash) {
  std::fprintf(stderr, "the host crashed: exception %08lx at %p\n", crash->ExceptionRecord->ExceptionCode,
               crash->ExceptionRecord->ExceptionAddress);
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return EXCEPTION_EXECUTE_HANDLER;
}

class Unload : public host::HostFixture, public ::testing::WithParamInterface<bool> {
 protected:
  static void SetUpTestSuite() { SetUnhandledExceptionFilter(HostCrashed); }
  void SetUp() override {
    HostFixture::SetUp();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWindow;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "UnloadingHost";
    RegisterClassA(&wc);
    unloader = {GetParam(), 0, CreateWindowExA(0, "UnloadingHost", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                               wc.hInstance, nullptr)};
  }
  void TearDown() override {
    DestroyWindow(unloader.window);
    HostFixture::TearDown();
  }

  // The host's loop runs on for ten seconds; then nothing of the plug-in is
  // left, and its window went as a release ends it.
  void ExpectGoneCleanly() {
    host::PumpUntil([] { return false; }, 10000);
    EXPECT_EQ(unloader.calls, 1);
    EXPECT_TRUE(host::HeapsValid());
    EXPECT_EQ(host::FormWindows(), 0);
    EXPECT_EQ(GetModuleHandleA("Varnholt.dll"), nullptr) << "the library stays loaded";
    EXPECT_EQ(host::StoredPlacementText("Visible"), "1");
  }
};

TEST_P(Unload, FromAHandlerReachedDuringTheRescanOfABigLog) {
  FillLog(27000);
  const HWND form = Run();
  ASSERT_TRUE(IsWindowVisible(form));
  PostMessageA(unloader.window, kUnload, 0, 0);
  SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);  // the scan processes the waiting message
  ExpectGoneCleanly();
}

TEST_P(Unload, FromAHandlerReachedDuringAnErrorBox) {
  const HHOOK hook = SetWindowsHookExA(WH_CBT, UnloadAtTheBox, nullptr, GetCurrentThreadId());
  Run("NoSuchLog");
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(boxes.Seen().size(), 1u);
  ExpectGoneCleanly();
}

INSTANTIATE_TEST_SUITE_P(Host, Unload, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& param) {
                           return param.param ? "ReleaseThenFreeLibrary" : "FreeLibraryAlone";
                         });

}  // namespace
