// A host that unloads the plug-in with its window open: from its own loop,
// or from one of its message handlers reached while the plug-in's code is
// processing messages (the re-scan of a big log, an error box's loop);
// after _Release, as a host is meant to, or without it (a host's fault).
// The host's process must live on with its heap intact, the library stay
// mapped (it pinned itself before it built the window), and the window go
// at the next turn of the host's loop when released, or else stay and work
// until the host, having loaded the library again, releases it.
// And a host that never opens the window unloads the library for good.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "HostFixture.h"

namespace {

constexpr UINT kUnload = WM_APP + 1;

HMODULE Mapped() { return GetModuleHandleA("Varnholt.dll"); }

// Plain tests run before the parameterised ones: this one sees a process in
// which no window was ever opened, and says so if it does not.
TEST(WindowNeverOpened, EveryFreeLibraryUnmapsTheLibrary) {
  ASSERT_EQ(Mapped(), nullptr) << "a test before this one loaded the library";
  for (int round = 0; round < 2; ++round) {
    host::Plugin& plugin = host::LoadPlugin();
    unsigned char info[host::Record::kSize] = {};
    plugin.GetInfo(info);
    if (round == 1) {  // a host scoring without the window
      host::Record r;
      r.Contact("UR5ABC", "20M", "CW");
      plugin.GetScore(r.data());
      plugin.AddQSO(r.data());
      plugin.GrabNumber(r.data(), info);
      plugin.Release();
    }
    host::UnloadPlugin();
    EXPECT_EQ(Mapped(), nullptr) << "round " << round;
  }
}

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
    module = plugin.module;
  }
  void TearDown() override {
    DestroyWindow(unloader.window);
    HostFixture::TearDown();
  }

  // After the host's handler has run: the window is still there, the
  // library still mapped. A released window goes at the loop's next turn
  // with its placement saved; an unreleased one lives on and re-scans the
  // log (`table`, which held `rows` rows) until the host loads the library
  // again, gets the same window from _Run and releases it.
  void ExpectAsTheHostLeftIt(HWND form, const std::string& table, int rows) {
    EXPECT_EQ(unloader.calls, 1);
    EXPECT_TRUE(IsWindow(form)) << "ended inside FreeLibrary";
    EXPECT_EQ(Mapped(), module);
    host::PumpMessages();
    if (GetParam()) {
      EXPECT_EQ(host::FormWindows(), 0) << "the released window outlived the loop's turn";
    } else {
      EXPECT_TRUE(IsWindowVisible(form));
      db.Execute("CREATE TABLE IF NOT EXISTS " + table + " AS SELECT * FROM Log WHERE 0");
      db.Insert("UR5ABC", "20M", "CW", "599 1234", "UR", table);
      SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);
      char total[32];
      std::snprintf(total, sizeof total, "Total\t%6d\t", rows + 1);
      EXPECT_NE(Report(form).find(total), std::string::npos) << Report(form);
      EXPECT_EQ(host::LoadPlugin().module, module);
      EXPECT_EQ(Run(table), form);
      plugin.Release();
      host::PumpMessages();
      EXPECT_EQ(host::FormWindows(), 0);
    }
    host::PumpUntil([] { return false; }, 2000);  // the host's loop runs on
    EXPECT_TRUE(host::HeapsValid());
    EXPECT_EQ(host::StoredPlacementText("Visible"), "1");
    EXPECT_EQ(Mapped(), module);
  }

  HMODULE module = nullptr;
};

TEST_P(Unload, FromTheHostsLoop) {
  const HWND form = Run();
  ASSERT_TRUE(IsWindowVisible(form));
  SendMessageA(unloader.window, kUnload, 0, 0);
  ExpectAsTheHostLeftIt(form, "Log", 0);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_P(Unload, FromAHandlerReachedDuringTheRescanOfABigLog) {
  FillLog(27000);
  const HWND form = Run();
  ASSERT_TRUE(IsWindowVisible(form));
  PostMessageA(unloader.window, kUnload, 0, 0);
  SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);  // the scan processes the waiting message
  ExpectAsTheHostLeftIt(form, "Log", 27000);
  EXPECT_TRUE(boxes.Seen().empty());
}

TEST_P(Unload, FromAHandlerReachedDuringAnErrorBox) {
  const HHOOK hook = SetWindowsHookExA(WH_CBT, UnloadAtTheBox, nullptr, GetCurrentThreadId());
  const HWND form = Run("NoSuchLog");
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(boxes.Seen().size(), 1u);
  ExpectAsTheHostLeftIt(form, "NoSuchLog", 0);
  EXPECT_EQ(boxes.Seen().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Host, Unload, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& param) {
                           return param.param ? "ReleaseThenFreeLibrary" : "FreeLibraryAlone";
                         });

}  // namespace
