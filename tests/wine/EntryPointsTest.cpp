// The six entry points, called as the host calls them.
#include <gtest/gtest.h>

#include <cstring>

#include "HostFixture.h"

namespace {

using host::Record;

class EntryPoints : public host::HostFixture {};

TEST_F(EntryPoints, GetInfoWritesItsFourFieldsOnly) {
  std::vector<std::uint8_t> info(600, 0xEE);
  plugin.GetInfo(info.data());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&info[1]), info[0]), "Varnholt");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(&info[261]), info[260]), "tamrel_contest");
  EXPECT_EQ(info[256], 1);
  EXPECT_EQ(info[257] | info[258] | info[259], 0);
  EXPECT_EQ(info[516], 1);
  EXPECT_EQ(info[9], 0xEE);     // behind the name
  EXPECT_EQ(info[275], 0xEE);   // behind the identification
  EXPECT_EQ(info[520], 0xEE);   // behind the record
}

TEST_F(EntryPoints, WithoutAWindowScoringAnswersZero) {
  Record r = HostRecord();
  r.Contact("UR5ABC", "20M", "CW", "599 1234", "UR");
  EXPECT_EQ(plugin.GetScore(r.data()), 0);
  EXPECT_EQ(plugin.AddQSO(r.data()), 0);
  EXPECT_EQ(host::FormWindows(), 0);
  plugin.Release();  // no window: returns all the same
  plugin.Release();
}

TEST_F(EntryPoints, GrabNumberYieldsTheEmptyText) {
  Record r = HostRecord();
  std::vector<std::uint8_t> slot(256, 'x');
  slot[0] = 5;
  plugin.GrabNumber(r.data(), slot.data());
  EXPECT_EQ(slot[0], 0);
  EXPECT_EQ(slot[1], 'x');
  Run();
  slot[0] = 7;
  plugin.GrabNumber(r.data(), slot.data());
  EXPECT_EQ(slot[0], 0);
}

TEST_F(EntryPoints, RunTwiceGivesOneWindow) {
  const HWND first = Run();
  ASSERT_TRUE(IsWindow(first));
  EXPECT_TRUE(IsWindowVisible(first));
  EXPECT_EQ(Run(), first);
  EXPECT_EQ(host::FormWindows(), 1);
}

TEST_F(EntryPoints, AddQsoScoresAndADuplicateStillRefreshesTheReport) {
  const HWND form = Run();
  Record r = HostRecord();
  r.Contact("UR5ABC", "20M", "CW", "599 1234", "UR");
  EXPECT_EQ(plugin.GetScore(r.data()), 3);
  EXPECT_EQ(plugin.AddQSO(r.data()), 3);
  const std::string report = host::WindowText(host::ReportBox(form));
  EXPECT_NE(report.find(" 20M\t     1\t     3\t     1\r\n"), std::string::npos) << report;

  SetWindowTextA(host::ReportBox(form), "typed over by the operator");
  EXPECT_EQ(plugin.GetScore(r.data()), -1);
  EXPECT_EQ(host::WindowText(host::ReportBox(form)), "typed over by the operator");
  EXPECT_EQ(plugin.AddQSO(r.data()), -1);
  EXPECT_EQ(host::WindowText(host::ReportBox(form)), report);

  r.Contact("DL1AA", "20M", "CW", "599 1234", "DL");
  EXPECT_EQ(plugin.AddQSO(r.data()), 1);
  EXPECT_NE(host::WindowText(host::ReportBox(form)).find(" Score: 4*1=4"), std::string::npos);
}

TEST_F(EntryPoints, GetScoreRecordsNothing) {
  Run();
  Record r = HostRecord();
  r.Contact("EW1AA", "40M", "SSB", "59 0007", "EW");
  EXPECT_EQ(plugin.GetScore(r.data()), 3);
  EXPECT_EQ(plugin.GetScore(r.data()), 3);
  EXPECT_EQ(plugin.AddQSO(r.data()), 3);
  EXPECT_EQ(plugin.GetScore(r.data()), -1);
}

TEST_F(EntryPoints, RunAfterReleaseGivesAFreshEmptyWindow) {
  const HWND first = Run();
  Record r = HostRecord();
  r.Contact("UR5ABC", "20M", "CW", "599 1234", "UR");
  EXPECT_EQ(plugin.AddQSO(r.data()), 3);
  plugin.Release();
  EXPECT_TRUE(IsWindow(first));  // destroyed only when the loop runs
  EXPECT_EQ(plugin.AddQSO(r.data()), 0);
  host::PumpUntil([&] { return !IsWindow(first); });
  EXPECT_FALSE(IsWindow(first));

  const HWND second = Run();
  ASSERT_TRUE(IsWindow(second));
  EXPECT_EQ(host::WindowText(host::ReportBox(second)),
            "Band\t  QSOs\tPoints\t  DXDA\r\nTotal\t     0\t     0\t     0\r\n Score: 0*0=0");
  EXPECT_EQ(plugin.AddQSO(r.data()), 3);  // not a duplicate in the new window
  EXPECT_EQ(host::FormWindows(), 1);
}

}  // namespace
