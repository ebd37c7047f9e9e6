// The log re-scan as the host sees it: through the DLL, over the host's own
// ODBC connection, with real messages processed in the middle of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "HostFixture.h"

namespace {

using host::Record;

class Rescan : public host::HostFixture {};

TEST_F(Rescan, ShowingTheWindowScansTheLog) {
  db.Insert("UR5ABC", "20M", "CW", "599 1234", "UR");
  db.Insert("UR5ABC", "20M", "CW", "599 1234", "UR");  // logged twice, counts once
  db.Insert("ur5abc", "20M", "CW", "599 1234", "UR");  // another call in byte order
  db.Insert("DL1AA", "40M", "SSB", "59", "DL");
  const HWND form = Run();
  EXPECT_EQ(Report(form),
            "Band\t  QSOs\tPoints\t  DXDA\r\n"
            " 40M\t     1\t     1\t     1\r\n"
            " 20M\t     2\t     6\t     1\r\n"
            "Total\t     3\t     7\t     2\r\n"
            " Score: 7*2=14");
  EXPECT_TRUE(boxes.Seen().empty());
  Record r = HostRecord();
  r.Contact("UR5ABC", "20M", "CW");
  EXPECT_EQ(plugin.AddQSO(r.data()), -1);  // the log's contacts are worked
}

TEST_F(Rescan, TheButtonScansAgainButRunningAgainDoesNot) {
  const HWND form = Run();
  const std::string empty = Report(form);
  db.Insert("EW1AA", "20M", "CW", "599 0042", "EW");
  EXPECT_EQ(Run(), form);
  EXPECT_EQ(Report(form), empty);  // visible: only raised
  SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);
  EXPECT_NE(Report(form).find(" Score: 3*1=3"), std::string::npos) << Report(form);
  EXPECT_TRUE(IsWindowEnabled(host::RecalcButton(form)));
}

// Observations made from messages the re-scan processes while it runs.
struct DuringRescan {
  HWND button = nullptr;
  std::vector<bool> enabled;
  int ticks = 0;
};
DuringRescan* watching = nullptr;

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD) {
  watching->enabled.push_back(IsWindowEnabled(watching->button) != FALSE);
  ++watching->ticks;
}

TEST_F(Rescan, TheButtonIsDisabledWhileAScanRuns) {
  FillLog(20000);
  const HWND form = Run();
  DuringRescan seen;
  seen.button = host::RecalcButton(form);
  watching = &seen;
  const UINT_PTR timer = SetTimer(nullptr, 0, 1, Watch);
  SendMessageA(seen.button, BM_CLICK, 0, 0);
  KillTimer(nullptr, timer);
  watching = nullptr;
  ASSERT_FALSE(seen.enabled.empty()) << "no message was processed during the scan";
  EXPECT_EQ(std::count(seen.enabled.begin(), seen.enabled.end(), false) > 0, true);
  EXPECT_TRUE(IsWindowEnabled(seen.button));
  EXPECT_NE(Report(form).find("Total\t 20000\t"), std::string::npos) << Report(form);
}

TEST_F(Rescan, AMissingTableIsShownAndTheWindowStillAppears) {
  const HWND form = Run("NoSuchLog");
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_EQ(boxes.Seen()[0].caption, "wine_rescan");  // the host's file name
  EXPECT_NE(boxes.Seen()[0].text.find("no such table: NoSuchLog"), std::string::npos)
      << boxes.Seen()[0].text;
  EXPECT_TRUE(IsWindowVisible(form));
  EXPECT_EQ(Report(form), "");  // cleared by the scan, not redrawn after its failure
  EXPECT_TRUE(IsWindowEnabled(host::RecalcButton(form)));
}

TEST_F(Rescan, AMissingColumnIsNamed) {
  db.Execute("CREATE TABLE Short (CallSign TEXT, DigiBand TEXT, QSOReportRecived TEXT,"
             " MainPrefix TEXT, DXCCPrefix TEXT, Continent TEXT)");
  const HWND form = Run("Short");  // empty: no row read, nothing to miss
  EXPECT_TRUE(boxes.Seen().empty());
  db.Execute("INSERT INTO Short VALUES ('UR5ABC','20M','599','UR5','UR','EU')");
  SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_EQ(boxes.Seen()[0].text, "LogQuery: Field 'QSOMode' not found.");
  EXPECT_TRUE(IsWindowEnabled(host::RecalcButton(form)));
  // Nothing of the failed scan is left on the host's connection.
  EXPECT_TRUE(SQL_SUCCEEDED(SQLDisconnect(db.Connection())));
}

// A close or a release handled in the middle of a scan: the scan finishes on
// state that still exists, and the window goes afterwards.
struct Interrupt {
  HWND form = nullptr;
  bool release = false;
  bool done = false;
  std::int32_t addResult = 99;
};
Interrupt* interrupt = nullptr;

void CALLBACK InterruptScan(HWND, UINT, UINT_PTR, DWORD) {
  // Once, while the scan runs (its button is disabled then).
  if (interrupt->done || IsWindowEnabled(host::RecalcButton(interrupt->form))) return;
  interrupt->done = true;
  host::Record r;
  r.Contact("K1ZZ", "20M", "CW", "599 0099", "K");
  interrupt->addResult = host::LoadPlugin().AddQSO(r.data());  // a host call in between
  if (interrupt->release) {
    host::LoadPlugin().Release();
  } else {
    SendMessageA(interrupt->form, WM_CLOSE, 0, 0);
  }
}

TEST_F(Rescan, ACloseOrReleaseDuringAScanWaitsForIt) {
  FillLog(20000);
  for (bool release : {false, true}) {
    const HWND form = Run();
    Interrupt how;
    how.form = form;
    how.release = release;
    interrupt = &how;
    const UINT_PTR timer = SetTimer(nullptr, 0, 1, InterruptScan);
    SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);
    KillTimer(nullptr, timer);
    interrupt = nullptr;
    ASSERT_TRUE(how.done) << "the scan processed no message";
    EXPECT_NE(how.addResult, 99);
    EXPECT_TRUE(host::PumpUntil([&] { return !IsWindow(form); })) << (release ? "release" : "close");
    Record r = HostRecord();
    r.Contact("K1ZZ", "20M", "CW");
    EXPECT_EQ(plugin.AddQSO(r.data()), 0);  // no window any more
    EXPECT_TRUE(boxes.Seen().empty());
  }
}

}  // namespace

namespace {

TEST_F(Rescan, AQuitRequestTakenDuringAScanReachesTheHostsLoop) {
  const HWND form = Run();
  db.Insert("EW1AA", "20M", "CW", "599 0042", "EW");
  PostQuitMessage(7);
  SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);
  EXPECT_NE(Report(form).find(" Score: 3*1=3"), std::string::npos) << Report(form);
  MSG msg = {};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
