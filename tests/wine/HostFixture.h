// A test that stands where the host stands: a fresh log database reached
// through ODBC, no placement remembered from an earlier run, the records a
// host fills, and no plug-in window left behind afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "DllHost.h"

namespace host {

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetPlacement();
    db.CreateLogTable();
  }
  void TearDown() override { ReleaseAndSettle(); }

  // The host's record: its log, its station, and no contact yet.
  Record HostRecord(const std::string& table = "Log", const std::string& label = "DL5XY") {
    Record r;
    r.Connection(db.Connection()).Text(Record::kLogTableName, table);
    r.Text(Record::kStationLabel, label).Text(Record::kStationPrefix, "DL");
    return r;
  }
  HWND Run(const std::string& table = "Log") { return plugin.Run(0, HostRecord(table).data()); }
  std::int32_t Add(const std::string& call, const std::string& band = "20M",
                   const std::string& report = "599 0001", const std::string& dxcc = "UR") {
    Record r = HostRecord();
    r.Contact(call, band, "CW", report, dxcc);
    return plugin.AddQSO(r.data());
  }
  static std::string Report(HWND form) { return WindowText(ReportBox(form)); }
  // Enough rows that opening the sorted query takes a while: UR0X, UR1X, ...
  // alternately on 40M and 20M.
  void FillLog(int rows) {
    db.Execute("BEGIN");
    for (int i = 0; i < rows; ++i)
      db.Insert("UR" + std::to_string(i) + "X", i % 2 ? "20M" : "40M", "CW", "599 0001", "UR");
    db.Execute("COMMIT");
  }

  Plugin& plugin = LoadPlugin();
  ErrorBoxes boxes;
  LogDatabase db;
};

}  // namespace host
