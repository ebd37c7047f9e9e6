// Many windows in a row, as a long contest session with the statistics
// window opened and closed again and again: nothing the plug-in takes from
// the system may stay behind.
//
// Wine answers GetGuiResources and GetProcessHandleCount with 0, so the
// counts are taken directly: kernel handles (registry keys among them) by
// probing the process's handle table, windows by enumerating them, and the
// window's fonts and bitmap by asking whether each still exists after its
// window has gone. Each cycle's window must be built and shown with the
// log's report: a cycle without one would hold nothing and prove nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <vector>

#include "DllHost.h"

namespace {

using host::Record;

int OpenKernelHandles() {
  int count = 0;
  for (ULONG_PTR value = 4; value < 0x4000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

BOOL CALLBACK CountWindow(HWND, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

BOOL CALLBACK CountWindowAndChildren(HWND window, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  EnumChildWindows(window, CountWindow, counter);
  return TRUE;
}

int ThreadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWindowAndChildren, reinterpret_cast<LPARAM>(&count));
  return count;
}

// The process's committed memory (Wine leaves PrivateUsage at 0).
SIZE_T CommittedBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage;
}

TEST(Soak, FiveHundredWindowsLeaveNothingBehind) {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\wine_soak");
  host::Plugin& plugin = host::LoadPlugin();
  host::ErrorBoxes boxes;
  host::LogDatabase db;
  db.CreateLogTable();
  constexpr int kContacts = 3000;  // each with a call of its own
  db.Execute("BEGIN");
  for (int i = 0; i < kContacts; ++i)
    db.Insert("UA" + std::to_string(i % 9) + "X" + std::to_string(i), i % 3 ? "20M" : "40M",
              i % 2 ? "CW" : "SSB", "599 " + std::to_string(1000 + i % 200), "UA9");
  db.Execute("COMMIT");

  Record record;
  record.Connection(db.Connection()).Text(Record::kLogTableName, "Log");
  record.Text(Record::kStationLabel, "DL5XY").Text(Record::kStationPrefix, "DL");

  char total[32];
  std::snprintf(total, sizeof total, "Total\t%6d\t", kContacts);
  int shown = 0;        // cycles whose window was built and shown with the report
  std::string missing;  // what the first cycle without one showed
  auto cycle = [&](int i, std::vector<HGDIOBJ>* fonts) {
    const HWND form = plugin.Run(0, record.data());
    const std::string report = host::WindowText(host::ReportBox(form));
    if (IsWindowVisible(form) && report.find(total) != std::string::npos)
      ++shown;
    else if (missing.empty())
      missing = "cycle " + std::to_string(i) + (form ? " showed\n" + report : ": no window");
    if (fonts) {
      fonts->push_back(reinterpret_cast<HGDIOBJ>(SendMessageA(host::ReportBox(form), WM_GETFONT, 0, 0)));
      fonts->push_back(reinterpret_cast<HGDIOBJ>(SendMessageA(host::RecalcButton(form), WM_GETFONT, 0, 0)));
    }
    Record contact = record;
    contact.Contact("K" + std::to_string(i) + "A", "15M", "CW", "599 0001", "K");
    plugin.GetScore(contact.data());
    plugin.AddQSO(contact.data());
    plugin.AddQSO(contact.data());
    if (i % 10 == 0) SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);
    if (i % 7 == 0) SendMessageA(form, WM_CLOSE, 0, 0);
    plugin.Release();
    host::PumpUntil([&] { return !IsWindow(form); });
  };

  // Warm up: the first windows load fonts, classes and the driver for good.
  constexpr int kWarmUp = 5;
  for (int i = 0; i < kWarmUp; ++i) cycle(i, nullptr);
  const int handlesBefore = OpenKernelHandles();
  const int windowsBefore = ThreadWindows();
  const SIZE_T bytesBefore = CommittedBytes();

  std::vector<HGDIOBJ> fonts;
  constexpr int kCycles = 500;
  for (int i = 0; i < kCycles; ++i) cycle(i, &fonts);

  const int handlesAfter = OpenKernelHandles();
  const int windowsAfter = ThreadWindows();
  const SIZE_T bytesAfter = CommittedBytes();
  int fontsAlive = 0;
  for (HGDIOBJ font : fonts) fontsAlive += GetObjectType(font) != 0;

  std::printf("soak: %d cycles, %d of %d windows shown with the log's report; kernel handles %d -> %d;"
              " windows %d -> %d; committed bytes %zu -> %zu; window fonts still alive %d of %zu\n",
              kCycles, shown, kWarmUp + kCycles, handlesBefore, handlesAfter, windowsBefore, windowsAfter,
              static_cast<std::size_t>(bytesBefore), static_cast<std::size_t>(bytesAfter), fontsAlive,
              fonts.size());
  EXPECT_EQ(shown, kWarmUp + kCycles) << missing;
  EXPECT_EQ(handlesAfter, handlesBefore);
  EXPECT_EQ(windowsAfter, windowsBefore);
  EXPECT_EQ(fontsAlive, 0);
  // A leak of one window's worth of scoring state per cycle would show here.
  EXPECT_LT(bytesAfter, bytesBefore + 4 * 1024 * 1024);
  EXPECT_TRUE(boxes.Seen().empty());

  // No statement is left on the host's connection: the SQLite driver refuses
  // to disconnect while one is allocated.
  EXPECT_TRUE(SQL_SUCCEEDED(SQLDisconnect(db.Connection())));
}

}  // namespace
