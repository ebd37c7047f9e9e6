// The re-scan of a 100,000-row log through ODBC and SQLite, beside a bare
// fetch of the same seven columns by the same query with no scoring: the
// difference is what reading into the record and scoring cost.
#include <benchmark/benchmark.h>

#include "OdbcTestDb.h"
#include "mainform/Rescan.h"

using namespace varnholt;

namespace {

constexpr int kRows = 100000;

// One log database for the whole run, filled once: 66,667 contacts on six
// bands and two modes, a third of them logged twice, numbers from a range
// of 5000.
testing::OdbcTestDb& Log() {
  static testing::OdbcTestDb db;
  static const bool filled = [] {
    db.Exec(
        "create table Log (ID integer primary key, QSODate text, CallSign text, DigiBand text, QSOMode text, "
        "Freq real, QSOReportRecived text, DXCCPrefix text, MainPrefix text, Continent text, Comment text)");
    const std::string error = db.Exec(
        "insert into Log (QSODate, CallSign, DigiBand, QSOMode, Freq, QSOReportRecived, DXCCPrefix, "
        "MainPrefix, Continent, Comment) "
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < " +
        std::to_string(kRows - 1) +
        "), c(i, k, p) as (select i, i % 66667, "
        "  substr('UR UT UA1UA9UA3EW UN DL SP OK K  W  JA G  I  F  EA VE LY YL ', (i % 66667) % 20 * 3 + 1, 3) "
        "  from n) "
        "select '2024-05-01', rtrim(p) || (k % 10) || char(65 + k / 10 % 26) || char(65 + k / 260 % 26) || "
        "  char(65 + k / 6760 % 26), "
        "  substr('160M80M 40M 20M 15M 10M ', (k / 3 % 6) * 4 + 1, 4), substr('CW SSB', (k / 5 % 2) * 3 + 1, 3), "
        "  14.025, '599 ' || substr('000' || ((k * 31) % 5000), -4), rtrim(p), rtrim(p), 'eu', '' from c");
    if (!error.empty()) throw std::runtime_error(error);
    db.Exec("update Log set DigiBand = rtrim(DigiBand), QSOMode = rtrim(QSOMode)");
    return true;
  }();
  (void)filled;
  return db;
}

void BM_BareFetch(benchmark::State& state) {
  auto& db = Log();
  const auto dbc = reinterpret_cast<SQLHDBC>(db.Connection());
  // Columns of the seven fields in the table above.
  const SQLUSMALLINT columns[] = {7, 8, 9, 3, 4, 5, 10};
  char values[7][256];
  SQLLEN indicators[7];
  std::size_t rows = 0;
  for (auto _ : state) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    std::string sql = LogQueryText("Log");
    SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(&sql[0]), SQL_NTS);
    for (int f = 0; f < 7; ++f) SQLBindCol(stmt, columns[f], SQL_C_CHAR, values[f], 256, &indicators[f]);
    SQLLEN bytes = 0;
    rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
      for (SQLLEN n : indicators) bytes += n;
      ++rows;
    }
    benchmark::DoNotOptimize(bytes);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  }
  if (rows != kRows) state.SkipWithError("the log is not complete");
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_BareFetch)->Unit(benchmark::kMillisecond);

void BM_Rescan(benchmark::State& state) {
  auto& db = Log();
  QsoRecord qso;
  qso.SetText(QsoField::LogTableName, "Log");
  qso.SetText(QsoField::StationPrefix, "DL");
  AsciiKeyCollation collation;
  ContestScore score(collation);
  LogQuery query(db.Connection());
  std::string report;
  RescanContext context{score, qso, query, nullptr, nullptr,
                        [&report](const std::string& text) { report = text; }, nullptr};
  for (auto _ : state) {
    RecalcStatisticExecute(context);
    benchmark::DoNotOptimize(report.data());
  }
  std::size_t contacts = score.Worked().Count();
  if (contacts == 0 || contacts >= kRows) state.SkipWithError("unexpected contact count");
  state.counters["contacts"] = static_cast<double>(contacts);
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Rescan)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
