// Logs and hosts that do what no one should: the plug-in answers with its
// rules or a clear error box, and never takes the host down or hangs.
#include <gtest/gtest.h>

#include "HostFixture.h"

namespace {

using host::Record;

class Hostile : public host::HostFixture {
 protected:
  void Rows(const std::string& values) {
    db.Execute("INSERT INTO Log (CallSign, DigiBand, QSOMode, Continent, QSOReportRecived,"
               " MainPrefix, DXCCPrefix) VALUES " + values);
  }
};

TEST_F(Hostile, MegabyteTextsAreCutToTheSlot) {
  const std::string mb = "replace(hex(zeroblob(500000)), '0', 'A')";  // 1,000,000 letters
  Rows("(" + mb + ", " + mb + ", " + mb + ", " + mb + ", " + mb + " || '1234', " + mb + ", " + mb + ")");
  Rows("(" + mb + " || 'B', '20M', 'CW', 'eu', '599', 'DL', 'DL')");
  const HWND form = Run();
  EXPECT_TRUE(boxes.Seen().empty());
  const std::string report = Report(form);
  // Both calls are the same once cut at 255 characters, but on other bands.
  EXPECT_NE(report.find("Total\t     2\t"), std::string::npos) << report.substr(0, 300);
}

TEST_F(Hostile, BlobsNumbersDatesAndNullsAreReadAsText) {
  Rows("(X'00FF10', X'3230', X'4357', X'00', X'35393920313233340000', NULL, X'5552')");
  Rows("(12345, 14.025, 2025, '2025-03-29', 5991234, 3.5, 0)");
  Rows("(NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
  Rows("(NULL, NULL, NULL, NULL, NULL, NULL, NULL)");  // the same empty contact again
  const HWND form = Run();
  EXPECT_TRUE(boxes.Seen().empty()) << boxes.Seen()[0].text;
  const std::string report = Report(form);
  EXPECT_NE(report.find("Total\t     3\t"), std::string::npos) << report;
  // The number in the report column still yields a multiplier.
  EXPECT_NE(report.find("14.025\t     1\t     1\t     1"), std::string::npos) << report;
}

TEST_F(Hostile, AHundredThousandRowsOfOneCallSign) {
  db.Execute("INSERT INTO Log (CallSign, DigiBand, QSOMode, QSOReportRecived, DXCCPrefix)"
             " WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 100000)"
             " SELECT 'UR5ABC', (x % 6) || '0M', CASE x % 2 WHEN 0 THEN 'CW' ELSE 'SSB' END,"
             " '599 ' || (1000 + x % 3000), 'UR' FROM n");
  const DWORD start = GetTickCount();
  const HWND form = Run();
  std::printf("100,000 rows of one call sign scanned in %lu ms\n", GetTickCount() - start);
  EXPECT_TRUE(boxes.Seen().empty());
  EXPECT_NE(Report(form).find("Total\t     6\t    18\t"), std::string::npos) << Report(form);
}

TEST_F(Hostile, AConnectionClosedBehindThePluginsBack) {
  const HWND form = Run();
  ASSERT_TRUE(boxes.Seen().empty());
  ASSERT_TRUE(SQL_SUCCEEDED(SQLDisconnect(db.Connection())));
  SendMessageA(host::RecalcButton(form), BM_CLICK, 0, 0);
  ASSERT_EQ(boxes.Seen().size(), 1u);
  EXPECT_FALSE(boxes.Seen()[0].text.empty());
  EXPECT_TRUE(IsWindowEnabled(host::RecalcButton(form)));
  Record r = HostRecord();
  r.Contact("UR5ABC", "20M", "CW", "599 1234", "UR");
  EXPECT_EQ(plugin.AddQSO(r.data()), 3);  // scoring goes on without the log
}

TEST_F(Hostile, EmptyOrGarbageTableNames) {
  for (const std::string& table : {std::string(), std::string("x; DROP TABLE Log"),
                                  std::string("\xFF\x01\"'"), std::string(255, '(')}) {
    boxes.Forget();
    const HWND form = Run(table);
    EXPECT_EQ(boxes.Seen().size(), 1u) << table;
    EXPECT_TRUE(IsWindowVisible(form));
    host::ReleaseAndSettle();
  }
  db.Insert("UR5ABC", "20M", "CW", "599 1234", "UR");  // the log is still there
  boxes.Forget();
  EXPECT_NE(Report(Run()).find("Total\t     1\t"), std::string::npos);
}

TEST_F(Hostile, ReleaseTwiceAndRunAgain) {
  const HWND form = Run();
  plugin.Release();
  plugin.Release();
  EXPECT_TRUE(host::PumpUntil([&] { return !IsWindow(form); }));
  plugin.Release();
  const HWND next = Run();
  EXPECT_TRUE(IsWindowVisible(next));
  EXPECT_TRUE(boxes.Seen().empty());
}

}  // namespace
