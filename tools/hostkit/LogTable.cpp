#include "LogTable.h"

namespace host {

void CreateLogTable(varnholt::odbc::Connection& log, const std::string& table) {
  log.Execute("CREATE TABLE " + table +
              " (Id INTEGER PRIMARY KEY, CallSign TEXT, DigiBand TEXT, QSOMode TEXT, Continent TEXT,"
              " QSOReportRecived TEXT, MainPrefix TEXT, DXCCPrefix TEXT)");
}

void InsertLogRow(varnholt::odbc::Connection& log, const std::string& table, const varnholt::Contact& c) {
  try {
    log.Execute("INSERT INTO " + table +
                    " (CallSign, DigiBand, QSOMode, Continent, QSOReportRecived, MainPrefix, DXCCPrefix)"
                    " VALUES (?, ?, ?, ?, ?, ?, ?)",
                {c.callSign, c.band, c.mode, c.continent, c.report, c.mainPrefix, c.dxccPrefix});
  } catch (const varnholt::odbc::Error& e) {
    throw varnholt::odbc::Error("cannot add " + c.callSign + " to the log table " + table, e.Records());
  }
}

}  // namespace host
