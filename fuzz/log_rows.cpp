// Fuzz target: log rows with arbitrary column values through the re-scan.
//
// Each input builds a small log table in an in-memory SQLite database,
// reached through the ODBC driver manager as the host's log is: column types
// chosen by the input, up to eight rows whose values are NULLs, integers,
// text or binary data of any bytes and length (well past the 255 a slot
// holds), or a repeat of the row above. Then the "Recalc Statistic" action
// re-scans the table twice over the same connection.
//
// Input layout: seven bytes choosing the columns' declared types; the row
// count byte; for each row and each of the seven columns a kind byte (NULL,
// integer with eight bytes, text or binary with a two-byte length and the
// bytes, repeat of the value above); a byte whose lowest bit asks for a table
// name from the input (a length byte and the name); a length byte and the
// station prefix.
//
// Invariants: a re-scan of an existing table succeeds and shows a report
// starting with "Band" whose totals agree with the statistics; it counts
// each row at most once; it leaves the host-only fields of CurrentQso alone
// and puts its band back; a second re-scan shows the same report; and a
// table name from the input either works or fails with a PluginError.
#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ByteReader.h"
#include "common/PluginError.h"
#include "mainform/Report.h"
#include "mainform/Rescan.h"
#include "odbc/Connection.h"

namespace {

using namespace varnholt;

[[noreturn]] void Broken(const char* what, int line) {
  std::fprintf(stderr, "log_rows: invariant broken at line %d: %s\n", line, what);
  std::abort();
}
#define EXPECT(condition) \
  do {                    \
    if (!(condition)) Broken(#condition, __LINE__); \
  } while (0)

// The seven columns the re-scan reads, in the order they are created here.
constexpr const char* kColumns[] = {"CallSign", "DigiBand", "QSOMode", "QSOReportRecived",
                                    "DXCCPrefix", "MainPrefix", "Continent"};
constexpr std::size_t kColumnCount = 7;
constexpr const char* kTypes[] = {"", " text", " blob", " integer", " real", " varchar(10)"};
constexpr int kMaxRows = 8;
constexpr std::size_t kMaxValue = 600;

// One connection to one in-memory database for the whole run, as the host
// keeps its connection open; each input drops and recreates the table.
class Database {
 public:
  std::uintptr_t Connection() const { return connection_.Handle(); }
  void Exec(const std::string& sql) { connection_.Execute(sql); }

  // One value of a row, as the parameter of an insert.
  struct Value {
    enum Kind { Null, Integer, Text, Binary } kind = Null;
    std::int64_t integer = 0;
    std::vector<std::uint8_t> bytes;
  };

  // Binds each value by its own type, not as text, so that integers, NULLs and
  // blobs reach the log table as the host's driver would store them.
  void Insert(const std::vector<Value>& row) {
    const auto dbc = reinterpret_cast<SQLHDBC>(connection_.Handle());
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    EXPECT(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt)));
    std::string sql = "insert into Log (";
    for (std::size_t c = 0; c < kColumnCount; ++c) sql += std::string(c ? ", " : "") + kColumns[c];
    sql += ") values (?, ?, ?, ?, ?, ?, ?)";
    std::vector<SQLLEN> lengths(row.size());
    std::vector<std::int64_t> integers(row.size());
    std::vector<std::vector<std::uint8_t>> buffers(row.size());
    for (std::size_t c = 0; c < row.size(); ++c) {
      const Value& v = row[c];
      const auto column = static_cast<SQLUSMALLINT>(c + 1);
      SQLRETURN rc;
      switch (v.kind) {
        case Value::Null:
          lengths[c] = SQL_NULL_DATA;
          rc = SQLBindParameter(stmt, column, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0, &lengths[c]);
          break;
        case Value::Integer:
          integers[c] = v.integer;
          lengths[c] = 0;
          rc = SQLBindParameter(stmt, column, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &integers[c], 0,
                                &lengths[c]);
          break;
        default:
          buffers[c] = v.bytes;
          buffers[c].push_back(0);  // room for drivers that look one past the length
          lengths[c] = static_cast<SQLLEN>(v.bytes.size());
          rc = SQLBindParameter(stmt, column, SQL_PARAM_INPUT, v.kind == Value::Text ? SQL_C_CHAR : SQL_C_BINARY,
                                v.kind == Value::Text ? SQL_LONGVARCHAR : SQL_LONGVARBINARY,
                                v.bytes.size() + 1, 0, buffers[c].data(), lengths[c], &lengths[c]);
          break;
      }
      EXPECT(SQL_SUCCEEDED(rc));
    }
    const SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(&sql[0]), SQL_NTS);
    EXPECT(SQL_SUCCEEDED(rc));
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  }

 private:
  odbc::Connection connection_{"Driver=SQLite3;Database=:memory:"};
};

Database& Db() {
  static Database* db = new Database;  // lives as long as the run, as the host's connection does
  return *db;
}

Database::Value NextValue(fuzz::ByteReader& input, const std::vector<Database::Value>* above, std::size_t column) {
  Database::Value v;
  switch (input.Below(5)) {
    case 0:
      break;  // NULL
    case 1:
      v.kind = Database::Value::Integer;
      v.integer = input.Integer<std::int64_t>();
      break;
    case 2:
    case 3: {
      v.kind = input.Below(2) == 0 ? Database::Value::Text : Database::Value::Binary;
      const std::size_t length = input.Integer<std::uint16_t>() % (kMaxValue + 1);
      v.bytes = input.Bytes(length);
      break;
    }
    default:
      if (above != nullptr) v = (*above)[column];
      break;
  }
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ByteReader input(data, size);
  Database& db = Db();

  db.Exec("drop table if exists Log");
  std::string create = "create table Log (ID integer primary key";
  for (const char* column : kColumns)
    create += std::string(", ") + column + kTypes[input.Below(std::size(kTypes))];
  db.Exec(create + ", Comment text)");

  const int rows = static_cast<int>(input.Below(kMaxRows + 1));
  std::vector<std::vector<Database::Value>> table;
  for (int r = 0; r < rows; ++r) {
    std::vector<Database::Value> row;
    for (std::size_t c = 0; c < kColumnCount; ++c) row.push_back(NextValue(input, table.empty() ? nullptr : &table.back(), c));
    db.Insert(row);
    table.push_back(std::move(row));
  }

  // CurrentQso as the window holds it: the host's fields and a band of its own.
  QsoRecord qso;
  const bool ownTableName = (input.Byte() & 1) != 0;
  // One statement only: a ";" could run further statements of the input's
  // making on the connection. And no "{": the SQLite driver's scan for ODBC
  // escape clauses takes time exponential in the braces of a statement (20
  // braces take 13 s, 22 take 90 s), with or without SQL_NOSCAN_ON. That is
  // the driver's, and a host's table name holds none.
  std::string tableName = ownTableName ? input.Text(input.Byte()) : "Log";
  for (char& c : tableName)
    if (c == ';' || c == '{') c = ' ';
  qso.SetText(QsoField::LogTableName, tableName);
  qso.SetText(QsoField::StationPrefix, input.Text(input.Byte()));
  qso.SetText(QsoField::StationLabel, "Station");
  qso.SetText(QsoField::Band, "15M");
  std::vector<std::uint8_t> hostOnly[3];
  const QsoField hostFields[3] = {QsoField::LogTableName, QsoField::StationLabel, QsoField::StationPrefix};
  for (int i = 0; i < 3; ++i) {
    const std::uint8_t* at = qso.Bytes() + static_cast<std::size_t>(hostFields[i]);
    hostOnly[i].assign(at, at + kSlotSize);
  }

  AsciiKeyCollation collation;
  ContestScore score(collation);
  LogQuery query(db.Connection());
  std::string report = "(not shown)";
  int shown = 0;
  bool enabled = true;
  RescanContext context{score, qso, query, {}, [&] { report.clear(); },
                        [&](const std::string& text) {
                          report = text;
                          ++shown;
                        },
                        [&](bool on) { enabled = on; }};

  std::string first;
  for (int pass = 0; pass < 2; ++pass) {
    try {
      RecalcStatisticExecute(context);
    } catch (const PluginError&) {
      // Only a table name from the input may fail: the table here exists and
      // has every column.
      EXPECT(ownTableName);
      EXPECT(enabled);
      EXPECT(!query.Active());
      return 0;
    }
    EXPECT(enabled);
    EXPECT(!query.Active());
    EXPECT(shown == pass + 1);
    EXPECT(report.rfind("Band\t", 0) == 0);
    EXPECT(report == StatisticsText(score.BandStatistics()));
    std::int64_t qsos = 0;
    for (const TStatistic& row : score.BandStatistics()) {
      EXPECT(row.QSOs > 0 && row.Points >= row.QSOs && row.Points <= 3 * row.QSOs);
      EXPECT(row.DXDA >= 0 && row.DXDA <= row.QSOs);
      qsos += row.QSOs;
    }
    EXPECT(static_cast<std::size_t>(qsos) == score.Worked().Count());
    if (!ownTableName) EXPECT(qsos <= rows && (rows == 0) == (qsos == 0));
    EXPECT(qso.Text(QsoField::Band) == "15M");
    for (int i = 0; i < 3; ++i)
      EXPECT(std::memcmp(qso.Bytes() + static_cast<std::size_t>(hostFields[i]), hostOnly[i].data(), kSlotSize) == 0);
    if (pass == 0)
      first = report;
    else
      EXPECT(report == first);  // the re-scan starts from nothing every time
  }
  return 0;
}
