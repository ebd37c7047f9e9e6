// What a host may do to the plug-in at the edges of its life: refuse the
// window's controls, ask for the window again while it is being shown, end
// the session in the middle of a scan (unloading it: UnloadTest.cpp). The
// host's process goes on, its heap intact, with no window of ours left.
#include <gtest/gtest.h>

#include <cstring>

#include "HostFixture.h"

namespace {

using host::FormWindows;
using host::HeapsValid;

class HostBoundary : public host::HostFixture {};

// Refuses the creation of the statistics window's report box, as a host's or
// an accessibility tool's hook may.
LRESULT CALLBACK RefuseReportBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA& create = *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    char parent[32] = {};
    GetClassNameA(create.hwndParent, parent, sizeof parent);
    if (!IS_INTRESOURCE(create.lpszClass) && lstrcmpiA(create.lpszClass, "EDIT") == 0 &&
        std::strcmp(parent, "TfmMainForm") == 0)
      return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(HostBoundary, AWindowThatCannotBeBuiltLeavesNothing) {
  const HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseReportBox, nullptr, GetCurrentThreadId());
  const HWND form = Run();
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(form, nullptr);
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_FALSE(boxes.Seen()[0].text.empty()) << boxes.Seen()[0].caption;
  host::PumpMessages();
  EXPECT_EQ(FormWindows(), 0);
  EXPECT_TRUE(HeapsValid());
  EXPECT_EQ(Add("UR5ABC"), 0);  // no window to score against

  const HWND next = Run();
  EXPECT_TRUE(IsWindowVisible(next));
  EXPECT_EQ(Add("UR5ABC"), 3);
}

struct Nested {
  host::Record record;
  HWND inner = nullptr;
  int calls = 0;
};
Nested* nested = nullptr;

void CALLBACK RunAgain(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (nested->calls++ == 0) nested->inner = host::LoadPlugin().Run(0, nested->record.data());
}

// A double click on the host's menu: the second _Run arrives among the
// messages that the first one's scan processes.
TEST_F(HostBoundary, ASecondRunWhileTheWindowIsShownOnlyRaisesIt) {
  Nested how{HostRecord("NoSuchLog")};
  nested = &how;
  SetTimer(nullptr, 0, 1, RunAgain);
  Sleep(20);  // due when the show's scan first processes messages
  const HWND outer = Run("NoSuchLog");
  nested = nullptr;
  ASSERT_EQ(how.calls, 1) << "no message was processed during the show";
  EXPECT_EQ(how.inner, outer);
  EXPECT_EQ(boxes.Seen().size(), 1u);  // one scan, one box
  EXPECT_EQ(FormWindows(), 1);
  EXPECT_TRUE(IsWindowVisible(outer));
}

TEST_F(HostBoundary, ErrorBoxesHaveNoOwnerButStayInSight) {
  Run("NoSuchLog");
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_FALSE(boxes.Seen()[0].owned);
  EXPECT_TRUE(boxes.Seen()[0].topmost);
}

// A session-end query taken in the middle of a scan, and a session that goes
// on: the window catches up with the whole log when the loop next runs.
struct SessionEnd {
  HWND form;
  bool asked = false;
};
SessionEnd* sessionEnd = nullptr;

void CALLBACK AskToEndSession(HWND, UINT, UINT_PTR, DWORD) {
  if (sessionEnd->asked || IsWindowEnabled(host::RecalcButton(sessionEnd->form))) return;
  sessionEnd->asked = true;
  SendMessageA(sessionEnd->form, WM_QUERYENDSESSION, 0, 0);
}

TEST_F(HostBoundary, AScanCutShortByASessionEndQueryIsMadeUp) {
  FillLog(20000);
  const HWND form = Run();
  SessionEnd how{form};
  sessionEnd = &how;
  const UINT_PTR timer = SetTimer(nullptr, 0, 1, AskToEndSession);
  SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);
  KillTimer(nullptr, timer);
  sessionEnd = nullptr;
  ASSERT_TRUE(how.asked) << "the scan processed no message";
  host::PumpUntil([&] { return Report(form).find("Total\t 20000\t") != std::string::npos; });
  EXPECT_NE(Report(form).find("Total\t 20000\t"), std::string::npos) << Report(form);
  EXPECT_EQ(Add("UR19999X", "20M", "599 0001", "UR"), -1);  // logged: a duplicate
  EXPECT_TRUE(boxes.Seen().empty());
}

}  // namespace
